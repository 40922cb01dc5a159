// The data files at start-up and the reroll that starts a new game on its
// day, with the title screen every call opens on.
#pragma once

void CheckDataFiles();
void CheckReroll();
void CreatePlayerFile();
void CreateConfigFile();
void CreateNewsFile();
void ShowTitle();
void FillDiceSumCounts();
