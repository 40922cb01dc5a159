// Black Jack against the computer, with the house's own rules: the computer
// draws until it reaches the caller, ties go to the house, and a Black Jack or
// a Five Card Stand pays (or costs) double.
#include "casino/blackjack.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "casino/stake.h"
#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/text.h"
#include "store/state.h"

namespace {

constexpr int kCards = 52;
constexpr int kRanks = 13;
constexpr int kFullHand = 5;

// Where a card is; an ace in a hand moves to kLoweredAce once it counts 1.
enum CardPlace : uint8_t { kInDeck = 0, kComputer = 1, kCaller = 2, kLoweredAce = 3 };

constexpr std::array<const char*, kRanks> kRankName = {
    "Ace", "Two", "Three", "Four", "Five", "Six", "Seven",
    "Eight", "Nine", "Ten", "Jack", "Queen", "King"};
constexpr std::array<const char*, 4> kSuitName = {"Clubs", "Diamonds", "Hearts", "Spades"};
constexpr std::string_view kCardValues = "11020304050607080910101010";
constexpr std::array<int, 4> kAces = {1, 14, 27, 40};

struct HandState {
  int16_t Total = 0;
  int16_t Count = 0;
  bool BlackJack = false;
  bool Bust = false;
  bool FiveCardStand = false;
};

struct DrawnCard {
  std::string Name;
  int16_t Value = 0;
};

struct BlackJackTable {
  std::array<uint8_t, kCards + 1> Deck{};  // [1..52]
  std::array<int16_t, kRanks> CardValue{};
  HandState Computer;
  HandState Caller;
  std::string UnderCard;  // the computer's hidden card, told once the caller stands
  int32_t Wagered = 0;    // the stake as placed, before any doubling
};

// The table of the hand in play, for a hang-up to finish.
BlackJackTable* table_in_play = nullptr;

std::array<int16_t, kRanks> ReadCardValues() {
  std::array<int16_t, kRanks> values{};
  for (int rank = 0; rank < kRanks; ++rank) {
    const size_t at = static_cast<size_t>(rank) * 2;
    values[static_cast<size_t>(rank)] =
        static_cast<int16_t>((kCardValues[at] - '0') * 10 + (kCardValues[at + 1] - '0'));
  }
  return values;
}

HandState& HandOf(BlackJackTable& table, CardPlace who) {
  return who == kComputer ? table.Computer : table.Caller;
}

DrawnCard DrawCard(BlackJackTable& table, CardPlace who) {
  int card = 0;
  do {
    card = Random(kCards) + 1;
  } while (table.Deck[static_cast<size_t>(card)] != kInDeck);
  table.Deck[static_cast<size_t>(card)] = who;
  HandState& hand = HandOf(table, who);
  hand.Count = static_cast<int16_t>(hand.Count + 1);
  const int suit = (card - 1) / kRanks;
  const int rank = (card - 1) % kRanks;  // 0 = Ace .. 12 = King
  return {std::string(kRankName[static_cast<size_t>(rank)]) + " of " + kSuitName[static_cast<size_t>(suit)],
          table.CardValue[static_cast<size_t>(rank)]};
}

// One ace per evaluation: the caller of ScoreHands re-evaluates after every
// card, and a single card never pushes a hand more than one ace over.
void LowerOneAce(BlackJackTable& table, CardPlace who) {
  HandState& hand = HandOf(table, who);
  if (hand.Total <= 21) return;
  for (int ace : kAces) {
    if (table.Deck[static_cast<size_t>(ace)] != who) continue;
    table.Deck[static_cast<size_t>(ace)] = kLoweredAce;
    hand.Total = static_cast<int16_t>(hand.Total - 10);
    return;
  }
}

void MarkHand(HandState& hand) {
  if (hand.Total > 21) hand.Bust = true;
}

void ScoreHands(BlackJackTable& table) {
  for (HandState* hand : {&table.Computer, &table.Caller}) {
    if (hand->Total == 21 && hand->Count == 2) hand->BlackJack = true;
  }
  LowerOneAce(table, kComputer);
  LowerOneAce(table, kCaller);
  MarkHand(table.Computer);
  MarkHand(table.Caller);
  for (HandState* hand : {&table.Computer, &table.Caller}) {
    if (!hand->Bust && hand->Count == kFullHand) hand->FiveCardStand = true;
  }
}

void AddToTotal(HandState& hand, int16_t value) { hand.Total = static_cast<int16_t>(hand.Total + value); }

std::string Deal(BlackJackTable& table) {
  const DrawnCard shown = DrawCard(table, kComputer);
  SetColor(12, 0);
  WriteLine("The Computer shows the " + shown.Name + ".");
  table.Computer.Total = shown.Value;
  const DrawnCard under = DrawCard(table, kComputer);
  AddToTotal(table.Computer, under.Value);
  WriteRawLine("");
  const DrawnCard first = DrawCard(table, kCaller);
  WriteText("|14You have the " + first.Name);
  table.Caller.Total = first.Value;
  const DrawnCard second = DrawCard(table, kCaller);
  WriteLine(" and the " + second.Name + ".");
  AddToTotal(table.Caller, second.Value);
  ScoreHands(table);
  return under.Name;
}

void CallerTurn(BlackJackTable& table) {
  HandState& caller = table.Caller;
  bool stop = false;
  while (!caller.BlackJack && !caller.Bust && !stop && caller.Count < kFullHand && caller.Total != 21) {
    WriteText("|03[H] Another Card  [S] Stop");
    const uint8_t key = GetKeyFrom("HShs", false);
    EraseBack(26);
    if (key == 'S') {
      stop = true;
      continue;
    }
    const DrawnCard card = DrawCard(table, kCaller);
    SetColor(14, 0);
    WriteLine("You draw the " + card.Name + ".");
    AddToTotal(caller, card.Value);
    ScoreHands(table);
  }
  SetColor(14, 0);
  if (caller.BlackJack) {
    WriteLine("You have Black Jack.");
  } else {
    WriteLine("You have " + IntToText(caller.Total) + ".");
  }
}

void ComputerTurn(BlackJackTable& table) {
  HandState& computer = table.Computer;
  const HandState& caller = table.Caller;
  bool stop = false;
  while (!computer.Bust && !computer.BlackJack && !caller.BlackJack && !caller.Bust && !stop &&
         computer.Count < kFullHand) {
    if (caller.Total > computer.Total) {
      const DrawnCard card = DrawCard(table, kComputer);
      SetColor(12, 0);
      WriteLine("The Computer draws the " + card.Name + ".");
      AddToTotal(computer, card.Value);
      ScoreHands(table);
      MarkHand(computer);
    }
    if (caller.Total <= computer.Total) stop = true;
    ScoreHands(table);
  }
}

struct Outcome {
  bool Won = false;
  bool Doubled = false;
  int32_t Winnings = 0;
};

void Win(Outcome& outcome, int32_t times) {
  outcome.Won = true;
  outcome.Winnings = MultiplyStake(CasinoBet.Stake, times);
}

void LoseDouble(Outcome& outcome) {
  outcome.Won = false;
  CasinoBet.Stake = MultiplyStake(CasinoBet.Stake, 2);
  outcome.Doubled = true;
}

// Every check that holds overrides the ones before it, so the order is the
// rule: a Five Card Stand beats a higher total, the computer's Black Jack
// doubles a bust.
Outcome DecideOutcome(const BlackJackTable& table) {
  const HandState& me = table.Caller;
  const HandState& pc = table.Computer;
  Outcome outcome;
  if (me.Bust) {
    WriteText("You have busted. ");
    outcome.Won = false;
  }
  if (pc.Bust) {
    WriteText("The computer has busted. ");
    Win(outcome, 1);
  }
  if (pc.Total < me.Total && !me.Bust && !me.BlackJack && !me.FiveCardStand) Win(outcome, 1);
  if (pc.Total > me.Total && !pc.Bust && !pc.BlackJack && !pc.FiveCardStand) outcome.Won = false;
  if (pc.Total == me.Total && !me.BlackJack) {
    WriteText("You have tied. The Computer wins. ");
    outcome.Won = false;
  }
  if (me.BlackJack && !pc.BlackJack) Win(outcome, 2);
  if (pc.BlackJack && !me.BlackJack) LoseDouble(outcome);
  if (me.BlackJack && pc.BlackJack) {
    WriteText("Both of you have Black Jack. The Computer wins. ");
    LoseDouble(outcome);
  }
  if (me.FiveCardStand && !pc.FiveCardStand && !me.Bust) {
    WriteText("You have a Five Card Stand. ");
    Win(outcome, 2);
  }
  if (pc.FiveCardStand && !me.FiveCardStand && !pc.Bust) {
    WriteText("The Computer has a Five Card Stand. ");
    LoseDouble(outcome);
  }
  if (me.FiveCardStand && pc.FiveCardStand && !me.Bust && !pc.Bust) {
    WriteText("Both of you have Five Card Stands. The Computer wins. ");
    LoseDouble(outcome);
  }
  return outcome;
}

// From the caller's stand on: the computer's turn and the settlement.
void FinishHand(BlackJackTable& table) {
  ScoreHands(table);
  WriteRawLine("");
  SetColor(12, 0);
  WriteLine("The Computer's under card is the " + table.UnderCard + ".");
  ComputerTurn(table);
  ScoreHands(table);
  if (table.Computer.BlackJack) {
    WriteLine("|12The Computer has Black Jack.");
  } else {
    WriteLine("|12The Computer has " + IntToText(table.Computer.Total) + ".");
  }
  WriteRawLine("");

  const Outcome outcome = DecideOutcome(table);
  CasinoBet.Won = outcome.Won;
  CasinoBet.Winnings = outcome.Winnings;
  if (outcome.Doubled && !outcome.Won) {
    // The second half of a doubled loss was never wagered, so it comes out
    // of cash now and the loss message names what the caller really loses.
    GameSession.Player.Cash -= table.Wagered;
  }
  if (outcome.Doubled && outcome.Won) {
    // Only the first stake was ever taken; paying back the doubled one would
    // hand the caller money the message never names.
    CasinoBet.Stake = table.Wagered;
  }
  SettleBet();
}

void StandOnHangup() { FinishHand(*table_in_play); }

}  // namespace

void PlayBlackJack() {
  InputWager();
  if (CasinoBet.Stake == 0) return;

  BlackJackTable table;
  table.CardValue = ReadCardValues();
  table.Wagered = CasinoBet.Stake;
  table_in_play = &table;
  const HandInPlay hand(StandOnHangup);
  table.UnderCard = Deal(table);
  CallerTurn(table);
  FinishHand(table);
}
