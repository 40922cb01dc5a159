// A new game's very first callers arrive together on an empty directory:
// whichever node creates the data files, the others must never read one
// that is there but not yet filled in.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>

#include "store/validate.h"
#include "tests/proof_files.h"
#include "tests/scripted_caller.h"

namespace {

constexpr int kNodes = 8;
constexpr int kWaitMs = 20000;

TEST(FirstCallTest, CallersArrivingTogetherOnAnEmptyDirectoryNeverSeeAFileError) {
  const int rounds = ProofSize("KORDAVIN_FIRST_CALL_ROUNDS", 40);
  int errors = 0;
  for (int round = 0; round < rounds && !HasFailure(); ++round) {
    const std::string dir = MakeDoorDir();
    std::deque<DoorRun> runs;
    for (int node = 1; node <= kNodes; ++node) {
      const std::string drop = "node" + std::to_string(node) + ".door32.sys";
      WriteDoorFile(dir, drop, Door32For(CallerAlias(node)));
      ASSERT_TRUE(StartDoor(runs.emplace_back(), dir, {dir + "/" + drop, std::to_string(node)}));
    }
    for (DoorRun& run : runs) ASSERT_TRUE(WaitForOutput(run, "[Y/N] ", kWaitMs)) << run.output;
    for (DoorRun& run : runs) SendKeys(run, "n");  // all start their checks at once
    for (DoorRun& run : runs) {
      const bool asked = WaitForOutput(run, "Would you like to play? [Y/N] ", kWaitMs);
      if (run.output.find("ERROR") != std::string::npos) ++errors;
      EXPECT_TRUE(asked) << "round " << round << ":\n" << run.output;
    }
    for (DoorRun& run : runs) StopDoor(run);
    for (const DataProblem& p : FindDataProblems(dir)) {
      ADD_FAILURE() << "round " << round << ": " << p.file << "#" << p.record << ": " << p.what;
    }
    RemoveDoorDir(dir);
  }
  std::printf("first call: %d rounds of %d callers on an empty directory, %d file errors\n",
              rounds, kNodes, errors);
  EXPECT_EQ(errors, 0);
}

}  // namespace
