// The dice games: Craps, Dice Black Jack and GUTS.
#pragma once

void PlayCraps();
void PlayDiceBlackJack();
void PlayGuts();
