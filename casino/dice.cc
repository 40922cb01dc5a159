// The two-dice games: Craps, Dice Black Jack and GUTS. Craps and Dice Black
// Jack take the common wager; GUTS caps the stake at a small share of the cash
// because a loss there is multiplied by the difference of the scores.
#include "casino/dice.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "casino/stake.h"
#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/text.h"
#include "store/records.h"
#include "store/rules.h"
#include "store/state.h"

namespace {

constexpr int32_t kMaxAmount = std::numeric_limits<int32_t>::max();

struct DiceThrow {
  int die1;
  int die2;
  int sum;
};

DiceThrow RollDice() {
  const int die1 = static_cast<int>(Random(6)) + 1;
  const int die2 = static_cast<int>(Random(6)) + 1;
  return DiceThrow{die1, die2, die1 + die2};
}

// Right-aligned in two columns; wider numbers are shown whole, never cut.
std::string W2(int number) {
  std::string text = IntToText(number);
  if (text.size() < 2) text.insert(0, 2 - text.size(), ' ');
  return text;
}

std::string PaddedThrow(const DiceThrow& roll) {
  return W2(roll.die1) + " + " + W2(roll.die2) + " = " + W2(roll.sum);
}

std::string PlainThrow(const DiceThrow& roll) {
  return IntToText(roll.die1) + " + " + IntToText(roll.die2) + " = " + IntToText(roll.sum);
}

// Amounts that multiply a stake are held at the largest 32-bit amount instead
// of wrapping around into the opposite sign.
int32_t HeldAmount(int64_t amount) {
  return static_cast<int32_t>(std::clamp<int64_t>(amount, 0, kMaxAmount));
}

void ReturnStake() {
  GameSession.Player.Cash = AddCash(GameSession.Player.Cash, CasinoBet.Stake);
}

enum class ComeOut { Busted, Stopped, Point };

// Where each game's hand in play stands at its prompt, for a hang-up to
// finish it from there.
struct DiceHand {
  int point = 0;         // Craps: the point thrown for; 0 while a seven rides
  int caller_score = 0;  // Dice Black Jack: the caller's score; GUTS: his rolls
  int computer_score = 0;  // GUTS: the computer's score
};
DiceHand hand_in_play;

// The come-out, thrown again for as long as the caller lets a seven ride. A 2
// or 12 is settled as lost here; otherwise point holds the last throw.
ComeOut ThrowComeOut(int& point) {
  for (;;) {
    const DiceThrow roll = RollDice();
    point = roll.sum;
    SetColor(13, 0);
    WriteLine(PlainThrow(roll) + " [Your Mark/Point]");
    uint8_t key = 'L';
    if (point == 7) {
      hand_in_play.point = 0;
      CasinoBet.Winnings = HeldAmount(2 * static_cast<int64_t>(CasinoBet.Winnings));
      WriteText("|12You have rolled a Seven. |14");
      WriteLine("[$" + IntToText(CasinoBet.Winnings) + " is riding] ");
      WriteText("|03[L] Let It Ride  [S] Stop");
      key = GetKeyFrom("lsLS", false);
      EraseBack(25);
      if (key == 'L') WriteRawLine("");
    }
    if (point == 2 || point == 12) {
      WriteText("You have busted. ");
      CasinoBet.Won = false;
      SettleBet();
      WriteRawLine("");
      return ComeOut::Busted;
    }
    if (key == 'S') return ComeOut::Stopped;
    if (point != 7) return ComeOut::Point;
  }
}

// Throws until the point comes again or a seven, waiting for a key between
// throws when asked to; returns the last sum.
int ThrowForPoint(int point, bool wait) {
  int rolls = 0;
  int sum = 0;
  do {
    ++rolls;
    const DiceThrow roll = RollDice();
    sum = roll.sum;
    WriteText("|12Roll #" + W2(rolls) + " :");
    SetColor(14, 0);
    WriteLine(PaddedThrow(roll));
    if (wait && sum != point && sum != 7) {
      WriteText("|03Press any key to continue.");
      ReadKey();
      EraseBack(27);
    }
  } while (sum != point && sum != 7);
  return sum;
}

void ShowScoredThrow(const DiceThrow& roll, int score) {
  WriteText("|12" + PaddedThrow(roll));
  WriteLine("|14 [Score=" + W2(score) + "]");
}

int ThrowCallerHand() {
  int score = 0;
  uint8_t key = 'M';
  do {
    const DiceThrow roll = RollDice();
    score += roll.sum;
    hand_in_play.caller_score = score;
    ShowScoredThrow(roll, score);
    if (score <= 20) {
      WriteText("|03[M] Roll More  [S] Stop");
      key = GetKeyFrom("MSms", false);
      EraseBack(31);
    }
  } while (score <= 20 && key != 'S');
  return score;
}

// The house draws only while it is behind, and stands on exactly 20 even
// against a 21.
int ThrowComputerHand(int caller_score) {
  WriteLine("|13Computer Roll");
  WriteLine("|13" + std::string(13, '\xC4'));
  int score = 0;
  do {
    const DiceThrow roll = RollDice();
    score += roll.sum;
    ShowScoredThrow(roll, score);
  } while (score < caller_score && score <= 21 && score != 20);
  WriteRawLine("");
  return score;
}

int32_t GutsLimit() { return GameSession.Player.Cash / kGutsCashPerStakeDollar; }

bool CanAffordGuts() { return GutsLimit() >= 1; }

// Like the common wager, but capped at a share of the cash. A negative
// entry would hand the caller money, so it is asked again like one too big.
int32_t AskGutsStake() {
  for (;;) {
    ShowCasinoCash();
    WriteText("[|02WAGER|06]");
    WriteText("[|14$" + IntToText(GutsLimit()) + " MAX|06]|14: |11");
    const int32_t stake = InputNumber(8);
    // Against the cash after the key: a rival may have taken some meanwhile.
    if (stake >= 0 && stake <= GutsLimit()) return stake;
  }
}

// How many throws the house dares before stopping: about the average wait for
// its mark, scaled by x percent. A count of 0 (never seen in a real table of
// ten thousand throws) is taken as 1 rather than dividing by it.
int ComputerThrowLimit(int mark, int x) {
  const size_t index = static_cast<size_t>(std::clamp(mark, 2, 12));
  const int count = std::max<int>(GameSession.DiceSumCounts[index], 1);
  const int16_t average = static_cast<int16_t>(10000 / count);
  return static_cast<int16_t>(average * x / 100);
}

DiceThrow ThrowMark(std::string_view whose) {
  const DiceThrow roll = RollDice();
  WriteText("|13" + PlainThrow(roll));
  WriteLine(whose);
  return roll;
}

int ThrowComputerGuts() {
  const int x = static_cast<int>(Random(30)) + 80;
  const int mark = ThrowMark(" [The Computers Mark/Point]").sum;
  const int limit = ComputerThrowLimit(mark, x);
  int rolls = 0;
  int sum = 0;
  do {
    ++rolls;
    const DiceThrow roll = RollDice();
    sum = roll.sum;
    WriteText("|12Roll #" + W2(rolls) + " : ");
    WriteLine("|14" + PaddedThrow(roll));
  } while (sum != mark && rolls != limit);
  if (sum == mark) {
    WriteText("|13The computer busts. ");
    WriteLine("[Score = 0] ");
    return 0;
  }
  WriteText("|13The computer stops. ");
  WriteLine("[Score = " + IntToText(rolls) + "] ");
  return rolls;
}

int ThrowCallerGuts() {
  const int mark = ThrowMark(" [Your Mark/Point] ").sum;
  int rolls = 0;
  int sum = 0;
  uint8_t key = 'M';
  do {
    ++rolls;
    const DiceThrow roll = RollDice();
    sum = roll.sum;
    WriteText("|12Roll #" + W2(rolls) + " : ");
    SetColor(14, 0);
    WriteLine(PaddedThrow(roll));
    key = 'M';
    hand_in_play.caller_score = rolls;
    if (sum != mark) {
      WriteText("|03[M] Roll More [S] Stop");
      key = GetKeyFrom("MSms", false);
      EraseBack(22);
    }
  } while (sum != mark && key != 'S');
  if (sum == mark) {
    SetColor(13, 0);
    WriteLine("You bust. [Score = 0]");
    return 0;
  }
  WriteText("|13You stop. ");
  WriteLine("[Score = " + IntToText(rolls) + "]");
  return rolls;
}

// The stake was taken when wagered: a win pays the difference times the
// stake, a loss takes the difference times the stake in all (which can leave
// the cash below zero; the casino sets that to 0), a tie gives the stake back.
void SettleGuts(int computer_score, int caller_score) {
  const int64_t difference = static_cast<int64_t>(caller_score) - computer_score;
  if (difference > 0) {
    CasinoBet.Won = true;
    CasinoBet.Winnings = HeldAmount(difference * CasinoBet.Stake);
    SettleBet();
  } else if (difference < 0) {
    CasinoBet.Won = false;
    ReturnStake();
    CasinoBet.Stake = HeldAmount(-difference * CasinoBet.Stake);
    GameSession.Player.Cash -= CasinoBet.Stake;
    SettleBet();
  } else {
    WriteLine("Its a tie. You break even.");
    ReturnStake();
  }
}

void StopWithTheRide() {
  WriteRawLine("");
  WriteRawLine("");
  CasinoBet.Won = true;
  SettleBet();
}

void SettlePoint(int sum) {
  WriteRawLine("");
  if (sum == 7) {
    WriteText("You have busted. ");
    CasinoBet.Won = false;
  } else {
    CasinoBet.Won = true;
  }
  SettleBet();
}

// Stop while a seven rides; any key while throwing for the point.
void FinishCrapsOnHangup() {
  if (hand_in_play.point == 0) {
    StopWithTheRide();
  } else {
    SettlePoint(ThrowForPoint(hand_in_play.point, false));
  }
}

void SettleDiceBlackJack(int caller) {
  WriteRawLine("");
  int computer = 0;
  if (caller > 21) {
    WriteText("You bust. ");
  } else {
    computer = ThrowComputerHand(caller);
  }
  CasinoBet.Winnings = CasinoBet.Stake;
  CasinoBet.Won = false;
  if (caller <= 21 && computer <= 21) {
    if (caller == computer) WriteText("You have tied. The Computer wins. ");
    CasinoBet.Won = computer < caller;
  } else if (computer > 21) {
    WriteText("The computer busts. ");
    CasinoBet.Won = true;
  }
  SettleBet();
}

void StopDiceBlackJackOnHangup() { SettleDiceBlackJack(hand_in_play.caller_score); }

void StopGutsOnHangup() { SettleGuts(hand_in_play.computer_score, hand_in_play.caller_score); }

}  // namespace

void PlayCraps() {
  InputWager();
  if (CasinoBet.Stake <= 0) return;
  hand_in_play = {};
  const HandInPlay hand(FinishCrapsOnHangup);
  CasinoBet.Winnings = CasinoBet.Stake;
  int point = 0;
  const ComeOut come_out = ThrowComeOut(point);
  if (come_out == ComeOut::Busted) return;
  if (come_out == ComeOut::Stopped) {
    StopWithTheRide();
    return;
  }
  hand_in_play.point = point;
  SettlePoint(ThrowForPoint(point, true));
}

void PlayDiceBlackJack() {
  InputWager();
  if (CasinoBet.Stake <= 0) return;
  hand_in_play = {};
  const HandInPlay hand(StopDiceBlackJackOnHangup);
  WriteLine("|13Your Roll");
  WriteLine("|13" + std::string(9, '\xC4'));
  SettleDiceBlackJack(ThrowCallerHand());
}

void PlayGuts() {
  if (!CanAffordGuts()) {
    WriteLine("You do not have enough money to play GUTS.");
    return;
  }
  do {
    CasinoBet.Stake = AskGutsStake();
    if (CasinoBet.Stake != 0) WriteRawLine("");
  } while (!PayStake(int64_t{CasinoBet.Stake} * kGutsCashPerStakeDollar));
  if (CasinoBet.Stake == 0) return;
  hand_in_play = {};
  const HandInPlay hand(StopGutsOnHangup);
  hand_in_play.computer_score = ThrowComputerGuts();
  WriteRawLine("");
  const int caller = ThrowCallerGuts();
  WriteRawLine("");
  SettleGuts(hand_in_play.computer_score, caller);
}
