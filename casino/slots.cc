// A three-reel slot machine with weighted reels; cherries pay from the first
// reel on, everything else only as three of a kind.
#include "casino/slots.h"

#include <array>
#include <cstdint>
#include <string>

#include "casino/stake.h"
#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/text.h"
#include "store/rules.h"
#include "store/state.h"

namespace {

constexpr int kReels = 3;
constexpr int kFrameWidth = 8;

enum Symbol : int16_t { kCherry = 1, kOrange, kLemon, kBell, kBar, kSeven };

struct SlotSymbol {
  Symbol Id;
  const char* Name;  // exactly seven characters, so the frame stays aligned
  int LowestRoll;    // the reel value 1..100 from which this symbol shows
};

// Highest rolls first: a roll belongs to the first entry whose floor it meets.
constexpr std::array<SlotSymbol, 6> kSymbols = {{
    {kCherry, "Cherry ", 76},
    {kOrange, "Orange ", 51},
    {kLemon, " Lemon ", 31},
    {kBell, " Bell  ", 15},
    {kBar, "  Bar  ", 5},
    {kSeven, " Seven ", 1},
}};

const SlotSymbol& SpinReel() {
  const int roll = Random(100) + 1;
  for (const SlotSymbol& symbol : kSymbols) {
    if (roll >= symbol.LowestRoll) return symbol;
  }
  return kSymbols.back();
}

// The name comes in letter by letter from the left, pushing the dashes out.
void AnimateReel(const char* name) {
  for (int frame = 0; frame < kFrameWidth; ++frame) {
    SetColor(14, 0);
    for (int i = 0; i < frame; ++i) WriteText(std::string(1, name[i]));
    if (frame == 0) {
      WriteText(std::string(kFrameWidth, '-'));
    } else {
      for (int i = frame; i < kFrameWidth; ++i) WriteText("-");
    }
    if (frame < kFrameWidth - 1) EraseBack(kFrameWidth);
  }
  WriteText("\b\b");
  WriteText("|12 ");
}

int32_t SlotLimit() { return GameSession.Player.Cash / kSlotsCashPerStakeDollar; }

bool InputSlotStake() {
  // Negative stakes are asked again: subtracting one would add cash. The
  // limit is taken again after the key: another node may have robbed him
  // while he thought about it, and he cannot stake cash he no longer has.
  do {
    do {
      ShowCasinoCash();
      WriteText("[|02WAGER|06][|14$" + IntToText(SlotLimit()) + " MAX|06]|14: |11");
      CasinoBet.Stake = InputNumber(8);
    } while (CasinoBet.Stake != 0 && (CasinoBet.Stake < 0 || CasinoBet.Stake > SlotLimit()));
  } while (!PayStake(int64_t{CasinoBet.Stake} * kSlotsCashPerStakeDollar));
  return CasinoBet.Stake != 0;
}

int32_t SlotMultiple(const std::array<Symbol, kReels>& reels) {
  const bool same = reels[0] == reels[1] && reels[1] == reels[2];
  int32_t times = 0;
  if (reels[0] == kCherry) times = 2;
  if (reels[0] == kCherry && reels[1] == kCherry) times = 4;
  if (same && reels[0] == kCherry) times = 8;
  if (same && reels[0] == kOrange) times = 50;
  if (same && reels[0] == kBell) times = 100;
  if (same && reels[0] == kBar) times = 500;
  if (same && reels[0] == kSeven) times = 1000;
  return times;
}

}  // namespace

void PlaySlotMachine() {
  if (SlotLimit() < 1) {
    WriteLine("You do not have enough money to play this game.");
    return;
  }
  if (!InputSlotStake()) return;
  // Nothing is asked until the spin is settled: a hang-up meanwhile lets it
  // run to its end.
  const HandInPlay hand([] {});

  const std::string stars(28, '*');
  WriteLine("|CR|12" + stars);
  std::array<Symbol, kReels> reels{};
  for (Symbol& reel : reels) {
    const SlotSymbol& symbol = SpinReel();
    reel = symbol.Id;
    WriteText("|12* ");
    AnimateReel(symbol.Name);
  }
  WriteLine("\b|12 *");
  WriteLine(stars);
  WriteRawLine("");

  CasinoBet.Winnings = MultiplyStake(CasinoBet.Stake, SlotMultiple(reels));
  CasinoBet.Won = CasinoBet.Winnings != 0;
  SettleBet();
}
