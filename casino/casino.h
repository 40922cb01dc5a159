// The casino's own loop: its prompt, its menu and the walk in and out.
#pragma once

void EnterCasino();
void ShowCasinoMenu();
void OutOfCash();
void TimeCheck();

// Wires the casino to kCodeEnterCasino.
void RegisterCasinoCommands();
