// The start-up checks and the caller's arrival: data files, the reroll,
// joining, the daily login, news and the overnight report.
#pragma once

#include <cstdint>

void CheckDataFiles();
void CheckReroll();
void CreatePlayerFile();
void CreateConfigFile();
void CreateNewsFile();
void JoinGame();
void DailyLogin();
void ShowNews();
void ShowOvernight();

// The day of the month on which a game won on the given day and month
// starts over: two days on, wrapping at the month's end (February has 28).
uint8_t RerollDayAfterWin(int day, int month);
