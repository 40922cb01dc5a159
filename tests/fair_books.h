// Holding the data files to account for what the screens announced: every
// player's cash and whores before a phase, plus what his and his rivals'
// screens said moved, must be what the files hold after it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/scripted_caller.h"

struct Holding {
  int64_t cash = 0;
  int whores = 0;
};

// The files at a moment when nobody is in the middle of an action.
struct Snapshot {
  std::map<int, Holding> players;  // by caller number
  std::map<int, int> pregnancies;  // unread news of a whore made pregnant, by addressee
};

struct BooksSummary {
  int players_off = 0;       // players whose cash or whores differ from the books
  int64_t cash_unexplained = 0;  // files minus books, all players together
  int whores_unexplained = 0;
  int64_t cash_before = 0, cash_after = 0;
  int whores_before = 0, whores_after = 0;
  int pregnancies = 0;
};

Snapshot TakeSnapshot(const std::string& dir);
// Reports every player the files and the books disagree on. A pregnancy is
// counted from the news only for players who cannot have read it by then:
// those who never played in the phase, or with on_line, also those whose one
// login came before `before` counted the news.
BooksSummary CheckBooks(const Snapshot& before, const std::map<int, std::vector<VisitResult>>& visits,
                        const Snapshot& after, int phase, bool on_line = false);
BooksSummary Add(const BooksSummary& total, const BooksSummary& phase);
std::string SummaryText(const BooksSummary& summary);
