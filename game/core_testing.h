// Test support for the action loop and the location menus: a scratch program
// directory behind the fake host, with the caller's player stored in it.
#pragma once

#include <string>

#include "store/records.h"

// A fresh scratch directory installed as the program directory, with the fake
// host, a fresh GameSession and plain output (no colour).
std::string MakeCoreTestDir();

// Writes a whole file of the program directory, by bare name.
void WriteCoreFile(const std::string& name, const std::string& bytes);
bool CoreFileExists(const std::string& name);

// Stores the player as record 1 of kordavin.ply and makes it the caller's.
void StoreCorePlayer(PlayerRecord player, int16_t time_left);
// Record 1 of kordavin.ply as it is on disk.
PlayerRecord LoadCorePlayer();
