// Sessions killed at random moments - while joining, saving, posting news,
// reading rosters - by a hang-up, a terminate or a kill. Whatever the moment,
// the shared files stay whole records of sane values, and the game goes on
// for everyone afterwards.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <thread>

#include "store/records.h"
#include "store/validate.h"
#include "tests/proof_files.h"
#include "tests/scripted_caller.h"

namespace {

constexpr int kParallelNodes = 8;
constexpr int64_t kFirstVisitGuessMs = 300;
constexpr int kNameSend = 3;  // "n" to colour, "y" to play, then the name
constexpr uint32_t kSeed = 777;
constexpr int kSignals[] = {SIGHUP, SIGTERM, SIGKILL};

struct KillTally {
  std::mutex lock;
  std::map<int, int> kills;      // by signal
  std::map<std::string, int> moments;  // by what the screen showed last
  int finished = 0;              // sessions that ended before their kill
  std::set<int> started;         // callers that ever started
  std::vector<std::string> faults;
};

void Fault(KillTally& tally, const std::string& what) {
  std::lock_guard<std::mutex> hold(tally.lock);
  tally.faults.push_back(what);
}

// What the session was doing when it was killed, as far as the screen tells.
std::string MomentOf(const VisitResult& visit, const std::string& output) {
  if (!visit.at_menu) {
    if (output.find("Enter your Pimp Name : ") != std::string::npos &&
        output.find("for online documentation.") == std::string::npos) {
      return "joining";
    }
    return "start-up";
  }
  const size_t prompt = output.rfind("]: ");
  if (prompt != std::string::npos && output.find("\r\n", prompt) != std::string::npos) {
    return "in an action";
  }
  return "at a prompt";
}

// A hang-up or terminate ends the door by itself with code 0; a kill just ends it.
void KillVisit(DoorRun& run, int signal, int caller, KillTally& tally) {
  kill(run.pid, signal);
  long cpu_ms = 0;
  const int code = WaitForExitWithCpu(run, 5000, cpu_ms);
  // Before main() sets its handlers up the door has touched nothing, and
  // the signal's default action is as good as a clean end.
  const bool before_start = run.output.empty() && run.exited && WIFSIGNALED(run.exit_status) &&
                            WTERMSIG(run.exit_status) == signal;
  if (signal != SIGKILL && code != 0 && !before_start) {
    Fault(tally, "caller " + std::to_string(caller) + " after signal " + std::to_string(signal) +
                     ": exit " + std::to_string(code) + " status " + std::to_string(run.exit_status) +
                     " exited " + std::to_string(run.exited) + " after " +
                     std::to_string(run.output.size()) + " bytes: " + run.output.substr(0, 200));
  }
  // A kill aimed just after the last key may find the door already ended by itself.
  const bool ended_itself = run.exited && WIFEXITED(run.exit_status) && code == 0;
  if (signal == SIGKILL && !(run.exited && WIFSIGNALED(run.exit_status)) && !ended_itself) {
    Fault(tally, "caller " + std::to_string(caller) + " outlived SIGKILL");
  }
}

// One node: callers of its own (node, node + 8, ...) call one after another;
// a third of the calls are by a caller who has never called.
void RunNode(const std::string& dir, int node, std::atomic<int>& runs_left, KillTally& tally) {
  std::mt19937 rng(kSeed + static_cast<uint32_t>(node));
  int newest = node;
  // Kills fall anywhere in a visit's life: up to a little past how long the
  // visits that ran to their end took, whatever the build's speed.
  int64_t visit_ms = kFirstVisitGuessMs;
  while (runs_left.fetch_sub(1) > 0) {
    if (rng() % 3 == 0) newest += kParallelNodes;
    const int callers_here = (newest - node) / kParallelNodes + 1;
    const int caller = node + kParallelNodes * static_cast<int>(rng() % static_cast<unsigned>(callers_here));
    bool is_new;
    {
      std::lock_guard<std::mutex> hold(tally.lock);
      is_new = tally.started.insert(caller).second;
    }
    const int64_t start = SteadyMs();
    const int64_t window = visit_ms * 6 / 5 + 1;
    VisitPlan plan{dir, caller, node, 4, 20000, start + static_cast<int64_t>(rng()) % window};
    // Half the kills land a moment after a key, when the door is busy with
    // the files: after the pimp name (the join's append), after a command
    // (its save, its news to a rival).
    std::string aimed;
    if (rng() % 2 == 0) {
      plan.stop_at_ms = 0;
      plan.stop_after_send = is_new && rng() % 2 == 0 ? kNameSend : 1 + static_cast<int>(rng() % 15);
      aimed = plan.stop_after_send == kNameSend && is_new ? "just after the pimp name"
                                                          : "just after a key";
    }
    DoorRun run;
    VisitResult visit = RunVisit(plan, rng, run);
    // A stop says the visits last longer than thought (a slow build): widen
    // the window until some visits run to their end again.
    if (aimed.empty()) {
      visit_ms = visit.stopped ? visit_ms * 11 / 10 : (visit_ms * 3 + SteadyMs() - start) / 4;
    }
    if (visit.stopped) {
      const int signal = kSignals[rng() % 3];
      usleep(static_cast<useconds_t>(rng() % 3000));
      ReadDoorOutput(run, 0);
      const std::string moment = aimed.empty() ? MomentOf(visit, run.output) : aimed;
      KillVisit(run, signal, caller, tally);
      std::lock_guard<std::mutex> hold(tally.lock);
      ++tally.kills[signal];
      ++tally.moments[moment];
    } else if (!visit.failure.empty()) {
      Fault(tally, "caller " + std::to_string(caller) + ": " + visit.failure + "\n" + visit.output);
    } else {
      std::lock_guard<std::mutex> hold(tally.lock);
      ++tally.finished;
    }
    StopDoor(run);
  }
}

// The only files a killed session may leave behind are its presence file,
// its wake-up channel (SIGKILL gives it no moment to remove it) and the
// staging copy it renames into place.
bool IsAllowedFile(const std::string& name) {
  static const std::regex kAllowed(
      "kordavin|kordavin\\.(dat|ply|cfg|msg)|title1\\.ans|node[0-9]+\\.door32\\.sys|"
      "kordavin\\.[0-9]+(\\.new)?|kordavin\\.w[0-9]+");
  return std::regex_match(name, kAllowed);
}

TEST(KillTest, KilledSessionsLeaveOnlyWholeSaneRecordsAndStalePresence) {
  const int runs = ProofSize("KORDAVIN_KILL_RUNS", 1000);
  const std::string dir = MakeDoorDir(KeepScratch::kIfTestFails);
  std::atomic<int> runs_left{runs};
  KillTally tally;
  const int64_t started = SteadyMs();
  std::vector<std::thread> nodes;
  for (int node = 1; node <= kParallelNodes; ++node) {
    nodes.emplace_back([&, node] { RunNode(dir, node, runs_left, tally); });
  }
  for (std::thread& t : nodes) t.join();
  const int64_t wall_ms = SteadyMs() - started;

  for (const std::string& fault : tally.faults) ADD_FAILURE() << fault;
  for (const DataProblem& p : FindDataProblems(dir)) {
    ADD_FAILURE() << p.file << "#" << p.record << ": " << p.what;
  }
  std::map<std::string, int> records;
  for (const PlayerRecord& player : ReadPlayerFile(dir)) {
    ++records[player.BbsAlias];
    EXPECT_EQ(player.BbsAlias, CallerAlias(CallerOfPimp(player.Name))) << "torn record";
    EXPECT_TRUE(tally.started.count(CallerOfPimp(player.Name)) == 1) << player.Name;
  }
  for (const auto& [alias, count] : records) EXPECT_EQ(count, 1) << alias << " joined twice";
  for (const std::string& name : FilesIn(dir)) {
    EXPECT_TRUE(IsAllowedFile(name)) << "left behind: " << name;
  }

  const size_t stale_presence = PresenceFiles(dir).size();
  std::string moments;
  for (const auto& [moment, count] : tally.moments) {
    moments += " " + std::to_string(count) + " " + moment + ",";
  }

  // Everyone who has a record can still play a whole visit afterwards.
  int afterwards = 0;
  for (const auto& [alias, count] : records) {
    if (afterwards == kParallelNodes) break;
    std::mt19937 rng(kSeed + static_cast<uint32_t>(afterwards));
    DoorRun run;
    VisitPlan plan{dir, std::stoi(alias.substr(alias.rfind(' ') + 1)), ++afterwards, 3};
    VisitResult visit = RunVisit(plan, rng, run);
    EXPECT_TRUE(visit.failure.empty() && visit.clean_end) << alias << ": " << visit.failure << "\n" << visit.output;
    EXPECT_EQ(visit.output.find("ERROR"), std::string::npos) << visit.output;
    StopDoor(run);
  }
  EXPECT_TRUE(FindDataProblems(dir).empty());

  std::printf("kill: %d runs, %d SIGHUP, %d SIGTERM, %d SIGKILL, %d ended before their kill, "
              "%zu players, %zu stale presence files, wall %.1f s; killed:%s\n",
              runs, tally.kills[SIGHUP], tally.kills[SIGTERM], tally.kills[SIGKILL],
              tally.finished, records.size(), stale_presence,
              static_cast<double>(wall_ms) / 1000.0, moments.c_str());
  EXPECT_GT(tally.kills[SIGHUP] + tally.kills[SIGTERM] + tally.kills[SIGKILL], runs / 3);
}

}  // namespace
