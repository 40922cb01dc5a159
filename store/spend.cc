#include "store/spend.h"

#include <algorithm>

#include "store/own_record.h"
#include "store/state.h"
#include "store/step.h"

// Only what the price takes is checked: a damaged stock of condoms below
// zero does not stop a caller paying cash for a stake.
bool Covers(const PlayerRecord& me, const Price& price) {
  const int64_t held = std::max<int64_t>(price.Cash, price.CashHeld);
  const bool cash = held <= 0 || (int64_t{me.Cash} >= held && int64_t{me.Cash} >= price.Cash);
  const bool condoms = price.Condoms <= 0 || me.CondomStock >= price.Condoms;
  return cash && condoms;
}

void Pay(PlayerRecord& me, const Price& price) {
  me.Cash = AddCash(me.Cash, -int64_t{price.Cash});
  me.CondomStock = static_cast<int16_t>(me.CondomStock - price.Condoms);
}

bool SpendInOneStep(const std::function<Price(const PlayerRecord& me)>& price_of,
                    const std::function<void()>& deliver) {
  StoreStep step;
  step.TakeOrEnd(StepFile::kPlayers);
  AdoptOwnRecordIn(step.players);
  const Price price = price_of(GameSession.Player);
  if (!Covers(GameSession.Player, price)) return false;
  Pay(GameSession.Player, price);
  deliver();
  step.BeginWrites();
  StoreOwnRecordIn(step.players);
  step.End();
  return true;
}

bool SpendInOneStep(const Price& price, const std::function<void()>& deliver) {
  return SpendInOneStep([&price](const PlayerRecord&) { return price; }, deliver);
}
