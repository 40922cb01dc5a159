#include "door/e2e_testing.h"

void RealDoorTest::SetUp() {
  if (NeedsFakeTime() && FakeTimeLibrary().empty()) GTEST_SKIP() << "libfaketime is not installed";
  dir_ = MakeDoorDir();
}

void RealDoorTest::TearDown() {
  for (DoorRun& run : runs_) StopDoor(run);
}

DoorRun& RealDoorTest::StartCaller(const std::string& alias, int node, const std::string& clock) {
  const std::string drop = "node" + std::to_string(node) + ".door32.sys";
  WriteDoorFile(dir_, drop, Door32For(alias));
  DoorRun& run = runs_.emplace_back();
  EXPECT_TRUE(StartDoor(run, dir_, {dir_ + "/" + drop, std::to_string(node)}, clock));
  return run;
}

void RealDoorTest::AnswerAfter(DoorRun& run, size_t& mark, const std::string& text,
                               const std::string& keys) {
  ASSERT_TRUE(WaitForOutput(run, text, wait_ms_, mark))
      << "waiting for: " << text << "\n" << run.output.substr(mark);
  mark = run.output.find(text, mark) + text.size();
  SendKeys(run, keys);
}
