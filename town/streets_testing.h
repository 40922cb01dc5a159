// Test support for the roster, street and page tests: a scratch data
// directory behind the fake host, and whole-file access to its records.
#pragma once

#include <string>
#include <vector>

#include "store/records.h"

// A new scratch directory installed as the program directory, with the fake
// host, plain output (no colour), a fresh GameSession with whore and clothes
// names, and the caller "Joe Caller" on node 1.
std::string MakeStreetsTestDir();

void StoreStreetsPlayers(const std::vector<PlayerRecord>& players);
std::vector<PlayerRecord> LoadStreetsPlayers();
std::vector<NewsMessage> LoadStreetsNews();

// The presence file of a node, as start-up writes it (128 bytes), held by a
// live session unless live is false (a caller who is gone left it behind).
void StoreStreetsNode(int node, const std::string& name, bool live = true);
std::string ReadStreetsFile(const std::string& name);
bool StreetsFileExists(const std::string& name);

// A player with the given pimp name and alias and nothing else changed.
PlayerRecord MakeStreetsPlayer(const std::string& name, const std::string& alias);

// Occurrences of part in text.
int CountStreetsText(const std::string& text, const std::string& part);
