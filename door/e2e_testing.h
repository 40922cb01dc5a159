// The ground the end-to-end tests share: the real door started in
// pseudo-terminals from one scratch door directory, every run stopped and the
// directory removed when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "door/pty_testing.h"

// The clock of most end-to-end tests: 8 December 2026, two in the afternoon.
inline constexpr const char* kE2eToday = "2026-12-08 14:00:00";

class RealDoorTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Tests that pin no clock run without libfaketime; the others skip.
  virtual bool NeedsFakeTime() const { return true; }

  // Writes the caller's DOOR32.SYS as node<N>.door32.sys and starts the door
  // for him on node N, the clock pinned unless `clock` is empty.
  DoorRun& StartCaller(const std::string& alias, int node, const std::string& clock = kE2eToday);

  // Waits for text on the screen after `mark`, moves the mark past it and
  // sends the keys; fails the test with what the door sent since the mark.
  void AnswerAfter(DoorRun& run, size_t& mark, const std::string& text, const std::string& keys);

  std::string DoorFile(const std::string& name) const { return ReadWholeFile(dir_ + "/" + name); }

  int wait_ms_ = 8000;
  std::string dir_;
  std::deque<DoorRun> runs_;  // a deque keeps references to earlier callers valid
};
