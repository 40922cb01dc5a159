// The start-up checks and the caller's arrival: data files, the reroll,
// joining, the daily login, news and the overnight report.
#pragma once

void CheckDataFiles();
void CheckReroll();
void CreatePlayerFile();
void CreateConfigFile();
void CreateNewsFile();
void JoinGame();
void DailyLogin();
void ShowNews();
void ShowOvernight();
