// The casino's own loop, the stake shared by its games, and the games.
#pragma once

#include <cstdint>

struct CasinoBetRecord {
  int32_t Stake = 0;     // amount wagered, taken from cash when entered
  bool Won = false;      // outcome, set by the game before settling
  int32_t Winnings = 0;  // paid on top of the returned stake when won
};

extern CasinoBetRecord CasinoBet;

void EnterCasino();
void ShowCasinoMenu();
void ShowCasinoCash();
void InputWager();
// Takes CasinoBet.Stake from cash, and the time a stake costs.
void PayStake();
void SettleBet();
// stake x times, held within the 32-bit range so a big win cannot wrap into
// a loss; games set CasinoBet.Winnings with it.
int32_t MultiplyStake(int32_t stake, int32_t times);
void OutOfCash();
void TimeCheck();

void PlayBlackJack();
void PlayRoulette();
void PlayCraps();
void PlayDiceBlackJack();
void PlayGuts();
void PlaySlotMachine();

// Wires the casino to kCodeEnterCasino.
void RegisterCasinoCommands();
