// The stake every casino game takes, settles and finishes on a hang-up.
#pragma once

#include <cstdint>

struct CasinoBetRecord {
  int32_t Stake = 0;     // amount wagered, taken from cash when entered
  bool Won = false;      // outcome, set by the game before settling
  int32_t Winnings = 0;  // paid on top of the returned stake when won
};

extern CasinoBetRecord CasinoBet;

void ShowCasinoCash();
void InputWager();
// Takes CasinoBet.Stake from cash, and the time a stake costs, in one step
// on his record as it stands, which must hold cash_held too (a stake capped
// at a share of the cash). When it no longer covers them he is told so, the
// stake is 0 and false is returned. A paid stake holds hang-ups until its
// HandInPlay opens: construct one right after.
bool PayStake(int64_t cash_held);
void SettleBet();
// stake x times, held within the 32-bit range so a big win cannot wrap into
// a loss; games set CasinoBet.Winnings with it.
int32_t MultiplyStake(int32_t stake, int32_t times);

// A hand in play, from its stake to its settlement. Should the door end
// while it is open - a hang-up, the idle limit, the end of the caller's time -
// play_out finishes the hand as the key that ends it soonest would (Stand,
// Stop, take the winnings, call the bet off), drawing from the same
// generator, and the record is stored. Nothing of it is sent: the line may
// be gone. So leaving mid-hand is never worth more than that key.
struct HandInPlay {
  explicit HandInPlay(void (*play_out)());
  ~HandInPlay();
  HandInPlay(const HandInPlay&) = delete;
  HandInPlay& operator=(const HandInPlay&) = delete;
};

// Lets the hang-ups a paid stake held in, should no hand have opened for it;
// the casino does so after every command.
void LetGoOfStakeHold();
