// Rosters, rankings and views of players.
#pragma once

#include <cstdint>

#include "game/records.h"

void ShowWhoIsOn();
int16_t PickOnlinePimp();
void PagePimp();
void ShowWhoreStats();
int16_t CountPlayers();
void ShowPlayerStats(int16_t number);
int16_t SelectRival();
void ShowRankings();
void ShowHousePrices();
