// A spend decided where it is stored. While a caller sits at "Do you want to
// buy it?" or types a stake, another node may rob him; his session's copy of
// his cash is then a promise the file no longer keeps. So the price is
// checked, and paid, in one step on his record as it stands under
// kordavin.ply's exclusive lock: it covers the price and he pays it, or it
// does not and nothing moves - no goods, no stake, no time.
#pragma once

#include <cstdint>
#include <functional>

#include "store/records.h"

// What an action takes from the caller.
struct Price {
  int32_t Cash = 0;      // dollars taken from his cash (negative: paid to him, as a sale)
  int64_t CashHeld = 0;  // cash he must hold for it, when more than Cash: a stake
                         // capped at a share of his cash needs that share
  int32_t Condoms = 0;   // taken from his condom stock
};

// Whether his record covers the price: never a result below zero.
bool Covers(const PlayerRecord& me, const Price& price);

// Takes the price from his record and what the step decided.
void Pay(PlayerRecord& me, const Price& price);

// One spend as one step. Under kordavin.ply's exclusive lock his record is
// read and becomes the session's (what others did to him stands; what he did
// unstored is laid on it); price_of names the price on it (a sale's worth
// can depend on what he holds now). When the record covers it, the price is
// paid, deliver gives him what he bought (it may take time and change
// GameSession.Player, and must not send), and his record is stored with
// hang-ups held. When it does not, deliver is never called and nothing is
// written. Returns whether he paid.
bool SpendInOneStep(const std::function<Price(const PlayerRecord& me)>& price_of,
                    const std::function<void()>& deliver);
bool SpendInOneStep(const Price& price, const std::function<void()>& deliver);
