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
void SettleBet();
void OutOfCash();
void TimeCheck();

void PlayBlackJack();
void PlayRoulette();
void PlayCraps();
void PlayDiceBlackJack();
void PlayGuts();
void PlaySlotMachine();

// Wires the casino to command code 60.
void RegisterCasinoCommands();
