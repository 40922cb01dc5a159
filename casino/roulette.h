// Roulette: one spin of a 38-pocket wheel on one of eight kinds of bet.
#pragma once

// The board help screen, shown for ? at every key prompt of a bet.
void ShowRouletteBoard();

void PlayRoulette();
