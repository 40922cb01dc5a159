#include "casino/stake.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "door/input.h"
#include "door/output.h"
#include "door/session.h"
#include "door/terminal.h"
#include "door/text.h"
#include "game/not_covered.h"
#include "store/own_record.h"
#include "store/records.h"
#include "store/rules.h"
#include "store/spend.h"
#include "store/state.h"

CasinoBetRecord CasinoBet;

namespace {

void (*hand_play_out)() = nullptr;

// Hang-ups held from a paid stake until its hand is open (HandInPlay).
std::optional<HangupHold> stake_hold;

void PlayOutOnHangup() {
  if (void (*play_out)() = std::exchange(hand_play_out, nullptr)) play_out();
  StoreOwnRecord();
}

int32_t& Cash() { return GameSession.Player.Cash; }

}  // namespace

void ShowCasinoCash() {
  WriteText("|CR|04[|09" + ClockText(GameSession.TimeLeft, kDayUnits) + "|04]");
  WriteText("|06[|09$" + IntToText(Cash()) + "|06]");
}

void InputWager() {
  // A negative stake would be subtracted from cash and so pay the caller for
  // nothing; it is asked again like a stake above the cash.
  do {
    do {
      ShowCasinoCash();
      WriteText("[|02WAGER|06]|14: |11");
      CasinoBet.Stake = InputNumber(8);
    } while (CasinoBet.Stake != 0 && (CasinoBet.Stake < 0 || CasinoBet.Stake > Cash()));
  } while (!PayStake(0));
  if (CasinoBet.Stake > 0) WriteRawLine("");
}

bool PayStake(int64_t cash_held) {
  if (CasinoBet.Stake == 0) return true;
  // The stake and its time are one step on his record as it stands: a
  // caller robbed while he typed it stakes nothing and pays no time. The
  // hand opens holding hang-ups: one that comes before it does is settled
  // by the hand's own play-out, never by leaving a paid stake unplayed.
  const bool paid =
      SpendInOneStep(Price{.Cash = CasinoBet.Stake, .CashHeld = cash_held}, [] {
        TakeTime(time_cost::kCasinoStake);
        stake_hold.emplace();
      });
  if (!paid) {
    TellPriceNotCovered();
    CasinoBet.Stake = 0;
  }
  return paid;
}

void SettleBet() {
  if (CasinoBet.Won) {
    WriteText("You win $" + IntToText(CasinoBet.Winnings) + ".");
    Cash() = AddCash(Cash(), static_cast<int64_t>(CasinoBet.Winnings) + CasinoBet.Stake);
  } else {
    WriteText("You lose $" + IntToText(CasinoBet.Stake) + ".");
  }
  WriteRawLine("");
}

int32_t MultiplyStake(int32_t stake, int32_t times) {
  const int64_t product = static_cast<int64_t>(stake) * times;
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  if (product > kMax) return static_cast<int32_t>(kMax);
  if (product < kMin) return static_cast<int32_t>(kMin);
  return static_cast<int32_t>(product);
}

HandInPlay::HandInPlay(void (*play_out)()) {
  hand_play_out = play_out;
  DoorSession.OnHangup = PlayOutOnHangup;
  stake_hold.reset();
}

HandInPlay::~HandInPlay() {
  hand_play_out = nullptr;
  DoorSession.OnHangup = nullptr;
}

void LetGoOfStakeHold() { stake_hold.reset(); }
