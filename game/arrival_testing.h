// Test support for the caller's arrival: a scratch data directory behind the
// fake host, and whole-file access to the records the tests set up and check.
#pragma once

#include <string>
#include <vector>

#include "store/records.h"

// A new scratch directory installed as the program directory, with the fake
// host, a fresh GameSession, plain output (no colour) and the date given.
std::string MakeArrivalTestDir(int year, int month, int day);

// Whole data files in the program directory, by bare name.
void WriteArrivalFile(const std::string& name, const std::string& bytes);
std::string ReadArrivalFile(const std::string& name);
bool ArrivalFileExists(const std::string& name);

void StoreArrivalPlayers(const std::vector<PlayerRecord>& players);
std::vector<PlayerRecord> LoadArrivalPlayers();
void StoreArrivalNews(const std::vector<NewsMessage>& messages);
std::vector<NewsMessage> LoadArrivalNews();
void StoreArrivalConfig(const GameConfig& config);

// Occurrences of part in text.
int CountArrivalText(const std::string& text, const std::string& part);
