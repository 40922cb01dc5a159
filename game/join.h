// The caller's arrival: joining the game, and the daily login that gives him
// his day.
#pragma once

void JoinGame();
void DailyLogin();
