#include "casino/casino.h"

#include "game/loop.h"

CasinoBetRecord CasinoBet;

void EnterCasino() {}

void RegisterCasinoCommands() { SetCommandAction(60, EnterCasino); }
