// Test support for the attacks, Flaming Sheinen's and Stiff Pete's: a data
// directory with player, news and configuration files, read back raw.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/records.h"

// Makes a fresh directory with an empty kordavin.ply and kordavin.msg and a
// zeroed kordavin.cfg, installs the fake host there, resets GameSession and
// gives it the name lists "Piece1".."Piece10" and "Girl1".."Girl50".
std::string MakeRaidTestDir();

// A player as joining makes him, named and keyed by alias.
PlayerRecord MakeRaidTestPlayer(const std::string& name, const std::string& alias);

// Gives the player whores with name indexes first, first+1, ... and the
// given condoms, hours 8 and rate 300.
void GiveRaidTestWhores(PlayerRecord& player, int count, int first_name, int condoms);

// Appends the record to kordavin.ply; returns its 1-based number.
int16_t AddRaidTestPlayer(const std::string& dir, const PlayerRecord& player);

// Makes player the caller: added to the file, in GameSession with that
// number, and DoorSession.RealName set to his alias.
void SetRaidTestCaller(const std::string& dir, const PlayerRecord& player);

// Overwrites record number (1-based) in place, as another node's save would.
void StoreRaidTestPlayer(const std::string& dir, int16_t number, const PlayerRecord& player);

PlayerRecord ReadRaidTestPlayer(const std::string& dir, int16_t number);
std::vector<NewsMessage> ReadRaidTestNews(const std::string& dir);
GameConfig ReadRaidTestConfig(const std::string& dir);

// Removes a directory made by MakeRaidTestDir with everything in it.
void RemoveRaidTestDir(const std::string& dir);
