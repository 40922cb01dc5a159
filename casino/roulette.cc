// Roulette. The caller picks a kind of bet, wagers, then names the details of
// the bet; only then is the wheel spun, so a bet called off at the details
// never draws a spin and the caller gets the whole stake back.
#include "casino/roulette.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "casino/stake.h"
#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/text.h"
#include "store/records.h"
#include "store/state.h"

namespace {

// The colours are kept as the two-digit lists the board was laid out from.
constexpr std::string_view kRedDigits = "010305070912141618192123252730323436";
constexpr std::string_view kBlackDigits = "020406081011131517202224262829313335";
constexpr int kPocketsPerColour = 18;
constexpr int kWheelPockets = 38;
constexpr int kHighestNumber = 36;
// The pockets past 36 that the wheel shows as "0" and "00"; both are green.
constexpr int kRouletteZero = 37;
constexpr int kRouletteDoubleZero = 38;

using ColourList = std::array<int, kPocketsPerColour>;

ColourList ReadColourList(std::string_view digits) {
  ColourList list{};
  for (size_t i = 0; i < list.size() && 2 * i + 1 < digits.size(); ++i) {
    list[i] = (digits[2 * i] - '0') * 10 + (digits[2 * i + 1] - '0');
  }
  return list;
}

bool InList(const std::vector<int>& numbers, int spin) {
  return std::find(numbers.begin(), numbers.end(), spin) != numbers.end();
}

// The numbers 1..36 that a predicate picks, in board order.
template <typename Pick>
std::vector<int> NumbersWhere(Pick pick) {
  std::vector<int> numbers;
  for (int n = 1; n <= kHighestNumber; ++n) {
    if (pick(n)) numbers.push_back(n);
  }
  return numbers;
}

// What the caller chose: the numbers the bet covers, or nothing at all when the
// bet was called off.
struct RouletteChoice {
  bool called_off = false;
  std::vector<int> covered;
};

struct KeyLabel {
  uint8_t key;
  std::string_view label;
};

std::string_view LabelFor(uint8_t key, std::initializer_list<KeyLabel> labels) {
  for (const KeyLabel& entry : labels) {
    if (entry.key == key) return entry.label;
  }
  return {};
}

// Asks a one-key detail. The kinds whose prompt ends without a colour code
// switch to yellow after the key, before the echo.
uint8_t AskBetKey(std::string_view prompt, std::string_view keys,
                  std::initializer_list<KeyLabel> labels, bool yellow_after_key) {
  for (;;) {
    WriteText(prompt);
    const uint8_t key = GetKeyFrom(keys, false);
    if (yellow_after_key) SetColor(14, 0);
    if (key != '?') {
      WriteLine(LabelFor(key, labels));
      return key;
    }
    WriteLine("Help");
    ShowRouletteBoard();
  }
}

// Asks a number until it is 0 or a starting point the bet allows; negative
// and out-of-range entries are simply asked again.
template <typename Allowed>
int32_t AskBetNumber(std::string_view prompt, Allowed allowed) {
  for (;;) {
    WriteText(prompt);
    const int32_t number = InputNumber(2);
    if (number == 0 || allowed(number)) return number;
  }
}

void ShowNumbersSelected(const std::vector<int>& numbers) {
  WriteRawLine("");
  std::string text = "|03Numbers Selected = |13";
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) text += ",";
    text += IntToText(numbers[i]);
  }
  WriteLine(text);
}

RouletteChoice CalledOff() { return RouletteChoice{true, {}}; }

RouletteChoice AskColour(const ColourList& red, const ColourList& black) {
  const uint8_t key = AskBetKey("|12Black, Red, Quit [B,R,Q,?] : |14", "BRQ?",
                                {{'B', "Black"}, {'R', "Red"}, {'Q', "Quit"}}, false);
  if (key == 'Q') return CalledOff();
  const ColourList& list = key == 'B' ? black : red;
  return RouletteChoice{false, std::vector<int>(list.begin(), list.end())};
}

RouletteChoice AskEvenOdd() {
  const uint8_t key = AskBetKey("|12Even, Odd, Quit [E,O,Q,?] : |14", "EOQ?",
                                {{'E', "Even"}, {'O', "Odd"}, {'Q', "Quit"}}, false);
  if (key == 'Q') return CalledOff();
  const int remainder = key == 'O' ? 1 : 0;
  return RouletteChoice{false, NumbersWhere([&](int n) { return n % 2 == remainder; })};
}

RouletteChoice AskHalf() {
  const uint8_t key =
      AskBetKey("|121st Half, 2nd Half, Quit [1,2,Q,?] : ", "12Q?",
                {{'1', "1st Half"}, {'2', "2nd Half"}, {'Q', "Quit"}}, true);
  if (key == 'Q') return CalledOff();
  const int first = key == '1' ? 1 : 19;
  return RouletteChoice{false, NumbersWhere([&](int n) { return n >= first && n < first + 18; })};
}

RouletteChoice AskColumn() {
  const uint8_t key = AskBetKey(
      "|12Column 1, Column 2, Column 3, Quit [1,2,3,Q,?] : ", "123Q?",
      {{'1', "Column 1"}, {'2', "Column 2"}, {'3', "Column 3"}, {'Q', "Quit"}}, true);
  if (key == 'Q') return CalledOff();
  const int remainder = (key - '0') % 3;
  return RouletteChoice{false, NumbersWhere([&](int n) { return n % 3 == remainder; })};
}

// Any corner 1..32 is taken, even one in the last column whose "square" wraps
// onto the next row: callers have always been able to bet that way.
RouletteChoice AskQuadrant() {
  const int32_t q = AskBetNumber("|12Enter upper left number of the quadrant : |14",
                                 [](int32_t n) { return n >= 1 && n <= 32; });
  if (q == 0) return CalledOff();
  const int corner = static_cast<int>(q);
  RouletteChoice choice{false, {corner, corner + 1, corner + 3, corner + 4}};
  ShowNumbersSelected(choice.covered);
  return choice;
}

RouletteChoice AskRow() {
  const int32_t r = AskBetNumber("|12Enter number at begining of row : |14",
                                 [](int32_t n) { return n >= 1 && n <= 34 && n % 3 == 1; });
  if (r == 0) return CalledOff();
  const int start = static_cast<int>(r);
  RouletteChoice choice{false, {start, start + 1, start + 2}};
  ShowNumbersSelected(choice.covered);
  return choice;
}

RouletteChoice AskPair() {
  const uint8_t key = AskBetKey("|12Up and Down, Left and Right, Quit [U,L,Q,?] : |14", "ULQ?",
                                {{'U', "Up and Down"}, {'L', "Left and Right"}, {'Q', "Quit"}},
                                false);
  if (key == 'Q') return CalledOff();
  WriteRawLine("");
  const bool up_and_down = key == 'U';
  const int32_t lower =
      AskBetNumber("|12Enter lower number : |14", [up_and_down](int32_t n) {
        if (up_and_down) return n >= 1 && n <= 33;
        return n >= 1 && n <= 35 && n % 3 != 0;
      });
  if (lower == 0) return CalledOff();
  const int low = static_cast<int>(lower);
  RouletteChoice choice{false, {low, up_and_down ? low + 3 : low + 1}};
  ShowNumbersSelected(choice.covered);
  return choice;
}

RouletteChoice AskSingleNumber() {
  const int32_t n = AskBetNumber("|12Enter number : |14", [](int32_t entry) {
    return entry >= 1 && entry <= kHighestNumber;
  });
  if (n == 0) return CalledOff();
  return RouletteChoice{false, {static_cast<int>(n)}};
}

RouletteChoice AskBetDetails(int kind, const ColourList& red, const ColourList& black) {
  switch (kind) {
    case 1: return AskColour(red, black);
    case 2: return AskEvenOdd();
    case 3: return AskHalf();
    case 4: return AskColumn();
    case 5: return AskQuadrant();
    case 6: return AskRow();
    case 7: return AskPair();
    default: return AskSingleNumber();
  }
}

// What each kind pays on top of the returned stake, per dollar staked.
constexpr std::array<int, 9> kPayout = {0, 1, 1, 1, 2, 8, 12, 18, 36};

// A big stake on a long shot can pay more than a 32-bit amount holds; the
// payout is held at the largest amount rather than wrapping into a loss.
int32_t PayoutFor(int kind, int32_t stake) {
  const int64_t pay = static_cast<int64_t>(kPayout[static_cast<size_t>(kind)]) * stake;
  return static_cast<int32_t>(std::min<int64_t>(pay, std::numeric_limits<int32_t>::max()));
}

void ShowBetList() {
  WriteLine("|031] |12Black and Red         |14[Pays  1:1]");
  WriteLine("|032] |12Even and Odd          |14[Pays  1:1]");
  WriteLine("|033] |121st Half / 2nd Half   |14[Pays  1:1]");
  WriteLine("|034] |12Bet a Column          |14[Pays  2:1]");
  WriteLine("|035] |12Bet a Quadrant        |14[Pays  8:1]");
  WriteLine("|036] |12Bet a Row             |14[Pays 12:1]");
  WriteLine("|037] |12Bet a Pair            |14[Pays 18:1]");
  WriteLine("|038] |12Bet a Number          |14[Pays 36:1]");
}

// 9 is one key past the list and is asked again; 0 (or anything that is not a
// number) is no bet. A lone "-" is all that fits, so no negative kind arrives.
int32_t AskBetKind() {
  int32_t kind = 0;
  do {
    ShowCasinoCash();
    WriteText("[|02ROULETTE|06]|14: |11");
    kind = InputNumber(1);
  } while (kind >= 9);
  return kind;
}

std::string PocketText(int spin) {
  if (spin == kRouletteZero) return "0";
  if (spin == kRouletteDoubleZero) return "00";
  return IntToText(spin);
}

std::string_view ColourText(int spin, const ColourList& red, const ColourList& black) {
  if (std::find(red.begin(), red.end(), spin) != red.end()) return "Red";
  if (std::find(black.begin(), black.end(), spin) != black.end()) return "Black";
  return "Green";
}

void ReturnStake() {
  GameSession.Player.Cash = AddCash(GameSession.Player.Cash, CasinoBet.Stake);
}

}  // namespace

void ShowRouletteBoard() {
  const std::string rule = "|11" + std::string(18, '\xC4');
  WriteLine("|CR|11The Roulette Board");
  WriteLine(rule);
  WriteLine("    1   2   3");
  WriteLine("    4   5   6");
  WriteLine("    7   8   9");
  WriteLine("   10  11  12       |12  Reds :  1, 3, 5, 7, 9,12,14,16,18");
  WriteLine("   13  14  15       |12         19,21,23,25,27,30,32,34,36");
  WriteLine("   16  17  18");
  WriteLine("   19  20  21");
  WriteLine("   22  23  24    |14   Blacks :  2, 4, 6, 8,10,11,13,15,17");
  WriteLine("   25  26  27    |14            20,22,24,26,28,29,31,33,35");
  WriteLine("   28  29  30");
  WriteLine("   31  32  33");
  WriteLine("   34  35  36");
  WriteLine(rule);
  WriteLine(" 0 and 00 are green. They are unbettable and always cause you to lose.");
}

void PlayRoulette() {
  const ColourList red = ReadColourList(kRedDigits);
  const ColourList black = ReadColourList(kBlackDigits);
  ShowBetList();
  const int32_t kind = AskBetKind();
  if (kind <= 0) return;

  CasinoBet.Won = false;
  WriteRawLine("");
  InputWager();
  if (CasinoBet.Stake <= 0) return;

  // A hang-up while the bet's details are asked calls the bet off, as Q does.
  const HandInPlay hand(ReturnStake);
  const RouletteChoice choice = AskBetDetails(static_cast<int>(kind), red, black);
  if (choice.called_off) {
    ReturnStake();
    if (kind == 3) WriteRawLine("");
    return;
  }

  const int spin = static_cast<int>(Random(kWheelPockets)) + 1;
  WriteRawLine("");
  std::string result = "The number is " + PocketText(spin) + " ";
  result += ColourText(spin, red, black);
  WriteText(result + ". ");
  CasinoBet.Won = InList(choice.covered, spin);
  CasinoBet.Winnings = PayoutFor(static_cast<int>(kind), CasinoBet.Stake);
  SettleBet();
}
