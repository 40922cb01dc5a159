// Many nodes at once against one data directory: callers join, quit, come
// back, attack one another, shop and gamble, all at the same moment. Then
// the files must hold every caller once, every news message the screens
// announced, and nothing damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "store/records.h"
#include "store/validate.h"
#include "tests/proof_files.h"
#include "tests/scripted_caller.h"

namespace {

constexpr int kVisitsPerCaller = 3;
constexpr uint32_t kSeed = 20261208;

using NewsCount = std::map<std::pair<std::string, std::string>, int>;

struct Figures {
  int sessions = 0;
  int actions = 0;
  std::vector<int64_t> echo_us;
};

int64_t Percentile(std::vector<int64_t> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t at = static_cast<size_t>(share * static_cast<double>(values.size() - 1));
  return values[at];
}

// Every caller plays its visits one after another on its own node.
std::vector<VisitResult> PlayCaller(const std::string& dir, int caller) {
  std::mt19937 rng(kSeed + static_cast<uint32_t>(caller));
  std::vector<VisitResult> visits;
  for (int i = 0; i < kVisitsPerCaller; ++i) {
    DoorRun run;
    VisitPlan plan{dir, caller, caller, 2 + static_cast<int>(rng() % 6)};
    visits.push_back(RunVisit(plan, rng, run));
    StopDoor(run);
  }
  return visits;
}

NewsCount CountCaused(const std::vector<std::vector<VisitResult>>& all) {
  NewsCount caused;
  for (const auto& visits : all) {
    for (const VisitResult& visit : visits) {
      for (const CausedNews& news : visit.caused) ++caused[{news.to, NewsKey(news.line1)}];
    }
  }
  return caused;
}

// What reached its addressee: still waiting in the file, or shown at a later call.
NewsCount DeliveredNews(const std::string& dir, const std::vector<std::vector<VisitResult>>& all) {
  NewsCount delivered;
  for (const NewsMessage& news : ReadNewsFile(dir)) {
    if (!news.To.empty() && news.Line1 != "DELETED") ++delivered[{news.To, NewsKey(news.Line1)}];
  }
  for (size_t c = 1; c < all.size(); ++c) {
    for (const VisitResult& visit : all[c]) {
      for (const std::string& line : ShownNews(visit.output)) {
        ++delivered[{CallerAlias(static_cast<int>(c)), NewsKey(line)}];
      }
    }
  }
  return delivered;
}

int CountLost(const NewsCount& caused, const NewsCount& delivered) {
  int lost = 0;
  for (const auto& [key, count] : caused) {
    auto found = delivered.find(key);
    int got = found == delivered.end() ? 0 : found->second;
    if (got < count) {
      lost += count - got;
      ADD_FAILURE() << "news to " << key.first << " lost: \"" << key.second << "\" caused "
                    << count << ", delivered " << got;
    }
  }
  for (const auto& [key, count] : delivered) {
    auto found = caused.find(key);
    EXPECT_LE(count, found == caused.end() ? 0 : found->second)
        << "news to " << key.first << " nobody caused: \"" << key.second << "\"";
  }
  return lost;
}

// Leaves the directory with every visit's screen beside the data files.
void KeepScreens(const std::string& dir, const std::vector<std::vector<VisitResult>>& all) {
  for (size_t c = 1; c < all.size(); ++c) {
    for (size_t i = 0; i < all[c].size(); ++i) {
      std::ofstream(dir + "/screen-" + std::to_string(c) + "-" + std::to_string(i) + ".txt",
                    std::ios::binary) << all[c][i].output;
    }
  }
}

TEST(LoadTest, ManyNodesAtOnceLoseNoCallerAndNoNews) {
  const int callers = ProofSize("KORDAVIN_LOAD_CALLERS", 64);
  const std::string dir = MakeDoorDir(std::getenv("KORDAVIN_PROOF_KEEP") != nullptr
                                          ? KeepScratch::kAlways : KeepScratch::kIfTestFails);
  std::vector<std::vector<VisitResult>> all(static_cast<size_t>(callers) + 1);

  const int64_t started = SteadyMs();
  std::vector<std::thread> threads;
  for (int c = 1; c <= callers; ++c) {
    threads.emplace_back([&, c] { all[static_cast<size_t>(c)] = PlayCaller(dir, c); });
  }
  for (std::thread& t : threads) t.join();
  const int64_t wall_ms = SteadyMs() - started;

  Figures figures;
  std::map<std::string, int> joined;
  for (size_t c = 1; c < all.size(); ++c) {
    for (const VisitResult& visit : all[c]) {
      ++figures.sessions;
      figures.actions += visit.actions;
      figures.echo_us.insert(figures.echo_us.end(), visit.echo_us.begin(), visit.echo_us.end());
      if (visit.joined) ++joined[CallerAlias(static_cast<int>(c))];
      EXPECT_TRUE(visit.failure.empty() && visit.clean_end)
          << "caller " << c << ": " << visit.failure << "\n" << visit.output.substr(
                 visit.output.size() > 3000 ? visit.output.size() - 3000 : 0);
      EXPECT_EQ(visit.output.find("ERROR"), std::string::npos) << "caller " << c;
    }
  }

  std::map<std::string, int> records;
  for (const PlayerRecord& player : ReadPlayerFile(dir)) {
    ++records[player.BbsAlias];
    EXPECT_EQ(player.BbsAlias, CallerAlias(CallerOfPimp(player.Name)))
        << "a record whose name and alias belong to different callers is torn";
  }
  EXPECT_EQ(records, joined) << "every caller who joined has exactly one record";
  EXPECT_EQ(joined.size(), static_cast<size_t>(callers));

  const int lost = CountLost(CountCaused(all), DeliveredNews(dir, all));
  int caused = 0;
  for (const auto& [key, count] : CountCaused(all)) caused += count;

  std::vector<DataProblem> problems = FindDataProblems(dir);
  for (const DataProblem& p : problems) ADD_FAILURE() << p.file << "#" << p.record << ": " << p.what;
  EXPECT_TRUE(PresenceFiles(dir).empty()) << "every session ended through the game's own exit";

  std::printf("load: %d callers, %d sessions, %d actions, %zu keys timed, %d news caused, "
              "%d lost, %zu records, wall %.1f s, key-to-echo p50 %.1f ms p99 %.1f ms max %.1f ms\n",
              callers, figures.sessions, figures.actions, figures.echo_us.size(), caused, lost,
              records.size(),
              static_cast<double>(wall_ms) / 1000.0,
              static_cast<double>(Percentile(figures.echo_us, 0.50)) / 1000.0,
              static_cast<double>(Percentile(figures.echo_us, 0.99)) / 1000.0,
              static_cast<double>(Percentile(figures.echo_us, 1.0)) / 1000.0);
  EXPECT_GT(figures.actions, figures.sessions) << "the callers did play";
  EXPECT_GT(caused, 0) << "the mix caused news";
  if (std::getenv("KORDAVIN_PROOF_KEEP") != nullptr || HasFailure()) KeepScreens(dir, all);
}

}  // namespace
