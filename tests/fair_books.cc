#include "tests/fair_books.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "tests/proof_files.h"

namespace {

const std::string kPregnant = " got pregnant. She is permantly \"out of service\".";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int CallerOfAlias(const std::string& alias) {
  static const std::regex kAlias("Load Caller (\\d{1,6})");
  std::smatch match;
  return std::regex_match(alias, match, kAlias) ? std::stoi(match[1]) : -1;
}

struct Books {
  std::map<int, Holding> players;
  int64_t cash_from_nowhere = 0;  // the casino's wins less stakes, prices, fines
  int whores_from_nowhere = 0;    // hired less made pregnant
  // Players tied together by a theft no screen told: what it moved between
  // them is unknown, only that they changed together. Each names another of
  // his group, up to the group's first player, who names himself.
  std::map<int, int> tied;
};

int GroupOf(const Books& books, int player) {
  for (auto at = books.tied.find(player); at != books.tied.end() && at->second != player;
       at = books.tied.find(player)) {
    player = at->second;
  }
  return player;
}

void Tie(Books& books, int one, int other) {
  const int first = GroupOf(books, one), second = GroupOf(books, other);
  books.tied[first] = first;
  books.tied[second] = first;
}

void Move(Books& books, const Movement& m) {
  const int64_t cash = m.all_cash ? books.players[m.from].cash : m.cash;
  if (m.from == 0) {
    books.cash_from_nowhere += cash;
    books.whores_from_nowhere += m.whores;
  } else {
    books.players[m.from].cash -= cash;
    books.players[m.from].whores -= m.whores;
  }
  if (m.to == 0) {
    books.cash_from_nowhere -= cash;
    books.whores_from_nowhere -= m.whores;
  } else {
    books.players[m.to].cash += cash;
    books.players[m.to].whores += m.whores;
  }
}

// His first login clears a debt a pick-pocket left him with. It comes before
// anything another caller does to him in the phase: a player robbed in a
// phase either never plays in it or is on line before the first thief.
void ClearDebtAtLogin(Books& books, int caller, const std::vector<VisitResult>& visits) {
  if (std::none_of(visits.begin(), visits.end(), [](const VisitResult& v) { return v.at_menu; })) return;
  Holding& own = books.players[caller];
  books.cash_from_nowhere += std::max<int64_t>(0, -own.cash);
  own.cash = std::max<int64_t>(0, own.cash);
}

// A caller's visits in order: the knife takes whatever he holds at that
// moment, which only his own earlier movements decide, as nobody who is
// robbed carries a knife in the same phase. A theft cut off on a stalled line
// is the first thing its visit does; once he has made one, what he holds is
// known only to his group, and so is what his knife hands over.
void Post(Books& books, int caller, const std::vector<VisitResult>& visits) {
  for (const VisitResult& visit : visits) {
    if (visit.victim_in_flight != 0) Tie(books, caller, visit.victim_in_flight);
    for (const Movement& m : visit.moved) {
      if (m.all_cash && books.tied.count(m.from) != 0) Tie(books, m.from, m.to);
      Move(books, m);
    }
  }
}

}  // namespace

Snapshot TakeSnapshot(const std::string& dir) {
  Snapshot snapshot;
  for (const PlayerRecord& player : ReadPlayerFile(dir)) {
    snapshot.players[CallerOfPimp(player.Name)] = {player.Cash, player.WhoreCount};
  }
  for (const NewsMessage& news : ReadNewsFile(dir)) {
    if (EndsWith(news.Line1, kPregnant)) ++snapshot.pregnancies[CallerOfAlias(news.To)];
  }
  return snapshot;
}

// The agent's success is told only in the news his victim finds at his next
// login; nobody robbed in a phase logs in again before it ends.
BooksSummary CheckBooks(const Snapshot& before, const std::map<int, std::vector<VisitResult>>& visits,
                        const Snapshot& after, int phase, bool on_line) {
  Books books{before.players, 0, 0, {}};
  BooksSummary summary;
  for (const auto& [caller, played] : visits) ClearDebtAtLogin(books, caller, played);
  for (const auto& [caller, played] : visits) Post(books, caller, played);
  for (const auto& [victim, count] : after.pregnancies) {
    auto old = before.pregnancies.find(victim);
    const int made = count - (old == before.pregnancies.end() ? 0 : old->second);
    if (made <= 0 || (visits.count(victim) != 0 && !on_line)) continue;
    summary.pregnancies += made;
    Move(books, {victim, 0, 0, made, false});
  }
  for (const auto& [player, held] : before.players) {
    summary.cash_before += held.cash;
    summary.whores_before += held.whores;
  }
  // A theft cut off on a stalled line told nothing; each group it tied is
  // held to having changed together (what one gained another lost) or not.
  std::map<int, Holding> group_gain;
  for (const auto& [player, held] : after.players) {
    const Holding expected = books.players[player];
    summary.cash_after += held.cash;
    summary.whores_after += held.whores;
    summary.cash_unexplained += held.cash - expected.cash;
    summary.whores_unexplained += held.whores - expected.whores;
    if (books.tied.count(player) != 0) {
      Holding& gain = group_gain[GroupOf(books, player)];
      gain.cash += held.cash - expected.cash;
      gain.whores += held.whores - expected.whores;
      continue;
    }
    if (held.cash == expected.cash && held.whores == expected.whores) continue;
    if (++summary.players_off <= 8) {
      ADD_FAILURE() << "phase " << phase << ", " << CallerPimp(player) << ": the files hold $"
                    << held.cash << " and " << held.whores << " whores, the screens account for $"
                    << expected.cash << " and " << expected.whores;
    }
  }
  EXPECT_EQ(summary.players_off, 0) << "phase " << phase << ": players the books disagree with";
  for (const auto& [first, gain] : group_gain) {
    const std::string group = CallerPimp(first) + " and those tied to him";
    EXPECT_EQ(gain.cash, 0) << "phase " << phase << ": cash a stalled theft created or lost, "
                            << group;
    EXPECT_EQ(gain.whores, 0) << "phase " << phase << ": whores a stalled theft created or lost, "
                              << group;
  }
  EXPECT_EQ(summary.cash_after - summary.cash_before, books.cash_from_nowhere)
      << "phase " << phase << ": total cash moved by other than what the screens told";
  EXPECT_EQ(summary.whores_after - summary.whores_before, books.whores_from_nowhere)
      << "phase " << phase << ": total whores moved by other than what the screens told";
  return summary;
}

BooksSummary Add(const BooksSummary& total, const BooksSummary& phase) {
  BooksSummary sum = total;
  sum.players_off += phase.players_off;
  sum.cash_unexplained += phase.cash_unexplained;
  sum.whores_unexplained += phase.whores_unexplained;
  if (total.cash_before == 0 && total.whores_before == 0) {
    sum.cash_before = phase.cash_before;
    sum.whores_before = phase.whores_before;
  }
  sum.cash_after = phase.cash_after;
  sum.whores_after = phase.whores_after;
  sum.pregnancies += phase.pregnancies;
  return sum;
}

std::string SummaryText(const BooksSummary& s) {
  return "cash $" + std::to_string(s.cash_before) + " -> $" + std::to_string(s.cash_after) +
         ", whores " + std::to_string(s.whores_before) + " -> " + std::to_string(s.whores_after) +
         " (" + std::to_string(s.pregnancies) + " made pregnant); unexplained: $" +
         std::to_string(s.cash_unexplained) + " and " + std::to_string(s.whores_unexplained) +
         " whores, " + std::to_string(s.players_off) + " player-phases off";
}
