#include "door/input.h"

#include <gtest/gtest.h>

#include "door/fake_host_testing.h"
#include "door/output.h"
#include "door/session.h"

namespace {

const std::string kTimeUp = "\r\n\x1b[1;31m\x1b[40m* \x1b[1;33m\x1b[40mYou have \x1b[1;37m\x1b[40m0 "
                            "\x1b[1;33m\x1b[40mminutes remaining.\r\n\x1b[0;37m\x1b[40m\r\n";
const std::string kFiveLeft = "\r\n\x1b[1;31m\x1b[40m* \x1b[1;33m\x1b[40mYou have \x1b[1;37m\x1b[40m5 "
                              "\x1b[1;33m\x1b[40mminutes remaining.\r\n";
const std::string kInactive = "\r\n\x1b[1;31m\x1b[40m* \x1b[1;33m\x1b[40mInactivity timeout.\r\n"
                              "\x1b[0;37m\x1b[40m\r\n";

class ReadKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallFakeHost("/tmp"); }

  // Reads keys until the session ends; returns the exit code.
  int ReadUntilEnd() {
    try {
      for (;;) ReadKey();
    } catch (const SessionEnded& end) {
      return end.code;
    }
  }
};

TEST_F(ReadKeyTest, InactivityEndsTheSessionAfter180SecondsNotBefore) {
  QueueKeyAt(179 * 1000, 'a');
  EXPECT_EQ(ReadKey(), 'a') << "a key after 179 seconds is returned";
  int64_t second_wait_began = Fake.now_ms;
  EXPECT_EQ(ReadUntilEnd(), 0);
  EXPECT_EQ(Fake.now_ms - second_wait_began, 180 * 1000) << "each wait counts its own 180 s";
  EXPECT_EQ(TakeOutput(), kInactive);
}

TEST_F(ReadKeyTest, FiveMinuteWarningOnceThenTimeUp) {
  StartTimer(6);
  for (int s = 100; s < 400; s += 100) QueueKeyAt(s * 1000, 'k');
  for (int s = 400; s <= 900; s += 100) QueueKeyAt(s * 1000, 'k');
  EXPECT_EQ(ReadUntilEnd(), 0);
  std::string out = TakeOutput();
  EXPECT_EQ(out, kFiveLeft + kTimeUp) << "one warning, then the end";
  EXPECT_GE(Fake.now_ms, 6 * 60 * 1000);
  EXPECT_LT(Fake.now_ms, 6 * 60 * 1000 + 2000) << "time up is noticed within seconds";
}

TEST_F(ReadKeyTest, ShortSessionsGetNoWarning) {
  StartTimer(3);
  for (int s = 60; s <= 300; s += 60) QueueKeyAt(s * 1000, 'k');
  EXPECT_EQ(ReadUntilEnd(), 0);
  EXPECT_EQ(TakeOutput(), kTimeUp);
  EXPECT_LT(Fake.now_ms, 3 * 60 * 1000 + 2000);
}

TEST_F(ReadKeyTest, NoMinutesEndsAtTheFirstWait) {
  StartTimer(0);
  EXPECT_EQ(ReadUntilEnd(), 0);
  EXPECT_EQ(TakeOutput(), kTimeUp);
  EXPECT_EQ(Fake.now_ms, 0);
}

TEST_F(ReadKeyTest, WithoutAnsiTheMessagesArePlain) {
  DoorSession.Ansi = 0;
  StartTimer(0);
  ReadUntilEnd();
  EXPECT_EQ(TakeOutput(), "\r\n* You have 0 minutes remaining.\r\n\r\n");
}

TEST_F(ReadKeyTest, HangUpEndsAtOnceWithTheColourReset) {
  Fake.input.push_back(kHungUp);
  EXPECT_EQ(ReadUntilEnd(), 0);
  EXPECT_EQ(TakeOutput(), "\x1b[0;37m\x1b[40m\r\n");
  EXPECT_LE(Fake.reads, 1);
}

// Keys the caller typed ahead were sent in his time: they are read before the
// limits are looked at, and no warning lands between them.
TEST_F(ReadKeyTest, KeysTypedAheadComeBeforeTheLimits) {
  StartTimer(0);
  QueueKeys("ab");
  EXPECT_EQ(ReadKey(), 'a');
  EXPECT_EQ(ReadKey(), 'b');
  EXPECT_EQ(ReadUntilEnd(), 0);
  EXPECT_EQ(TakeOutput(), kTimeUp);

  InstallFakeHost("/tmp");
  StartTimer(5);
  QueueKeys("\x1b[Ac");
  EXPECT_EQ(ReadKey(), 'H');
  EXPECT_EQ(ReadKey(), 'c');
  EXPECT_EQ(TakeOutput(), "") << "no warning between typed-ahead keys";
  QueueKeyAt(1000, 'd');
  EXPECT_EQ(ReadKey(), 'd');
  EXPECT_EQ(TakeOutput(), kFiveLeft) << "the warning comes at the first real wait";
}

// A line found closed while looking for typed-ahead keys ends the session only
// after what the door stores before every wait.
TEST_F(ReadKeyTest, AHangUpSeenBeforeTheWaitStillStoresFirst) {
  static int stored;
  stored = 0;
  DoorSession.BeforeWait = [] { ++stored; };
  WriteText("shown");
  Fake.input.push_back(kHungUp);
  EXPECT_EQ(ReadUntilEnd(), 0);
  EXPECT_GE(stored, 1) << "the session ended without the store";
  EXPECT_EQ(TakeOutput(), "shown\x1b[0;37m\x1b[40m\r\n");
}

// A stalled line whose send gave up ends the session at the next key, before
// any of the commands typed ahead on it is played.
TEST_F(ReadKeyTest, KeysTypedAheadOnALineThatGaveUpAreNotTaken) {
  QueueKeys("abc");
  WriteText("the screen he never took");
  Fake.line_gone = true;
  EXPECT_FALSE(SendPendingOutput());
  Fake.line_gone = false;
  EXPECT_EQ(ReadUntilEnd(), 1);
  EXPECT_EQ(Fake.input.size(), 3u);
  EXPECT_EQ(Fake.output, "");
}

TEST_F(ReadKeyTest, CursorKeysBecomeLettersAndOthersAreDropped) {
  QueueKeys("\x1b[A\x1b[2~\x1bOD\x1b[6~");
  EXPECT_EQ(ReadKey(), 'H');
  EXPECT_EQ(ReadKey(), 'K') << "Insert is dropped, the wait goes on";
  EXPECT_EQ(ReadKey(), 'Q');
  DoorSession.AcceptCursorKeys = false;
  QueueKeys("\x1b[Bz");
  EXPECT_EQ(ReadKey(), 'z');
}

TEST_F(ReadKeyTest, LoneEscapeArrivesAfterAShortPause) {
  QueueKeys("\x1b");
  EXPECT_EQ(ReadKey(), 27);
  EXPECT_GE(Fake.now_ms, 100);
  EXPECT_LT(Fake.now_ms, 1000);
}

TEST_F(ReadKeyTest, WaitingTickRunsAboutOnceASecond) {
  static int ticks;
  ticks = 0;
  DoorSession.OnWaiting = [] {
    ++ticks;
    return true;
  };
  QueueKeyAt(10 * 1000, 'x');
  EXPECT_EQ(ReadKey(), 'x');
  EXPECT_GE(ticks, 10);
  EXPECT_LE(ticks, 11);
}

TEST_F(ReadKeyTest, WokenByOthersTheHookRunsOnlyWhenWokenAndTheWaitSleepsToItsDeadline) {
  static int calls;
  calls = 0;
  // The first look finds the files busy: it is made again shortly.
  DoorSession.OnWaiting = [] { return ++calls > 1; };
  Fake.wake_channels_work = true;
  DoorSession.WokenByOthers = Host.OpenWakeChannel("/data/kordavin.w3");
  Fake.before_read = [] {
    if (Fake.reads == 1) Host.Wake("/data/kordavin.w3");
  };
  QueueKeyAt(170 * 1000, 'x');
  EXPECT_EQ(ReadKey(), 'x');
  EXPECT_EQ(calls, 2);
  // The wake-up, the look again 50 ms on, then one sleep until the key: the
  // looks for keys typed ahead included, five reads in 170 seconds.
  EXPECT_EQ(Fake.reads, 5);
  EXPECT_EQ(Fake.now_ms, 170 * 1000);
}

TEST_F(ReadKeyTest, OutputIsSentBeforeTheWait) {
  WriteText("prompt: ");
  QueueKeyAt(5000, 'x');
  ReadKey();
  EXPECT_EQ(Fake.output, "prompt: ");
}

class PromptTest : public ReadKeyTest {};

TEST_F(PromptTest, GetKeyFromIgnoresOtherKeysAndUpperCases) {
  QueueKeys("xy");
  EXPECT_EQ(GetKeyFrom("YN", false), 'Y');
  EXPECT_EQ(TakeOutput(), "");
  QueueKeys("n");
  EXPECT_EQ(GetKeyFrom("YN", true), 'N');
  EXPECT_EQ(TakeOutput(), "N\r\n");
  QueueKeys("\r");
  EXPECT_EQ(GetKeyFrom("\r ", false), '\r');
}

TEST_F(PromptTest, InputLineCapitalisesEachWordInModeThree) {
  QueueKeys("john smith\r");
  EXPECT_EQ(InputLine(3, 30, "abcdefghijklmnopqrstuvwxyz ", ""), "John Smith");
  EXPECT_EQ(TakeOutput(), "John Smith\r\n");
}

TEST_F(PromptTest, InputLineModesOneTwoAndAsTyped) {
  QueueKeys("aBc\r");
  EXPECT_EQ(InputLine(1, 10, "aBc", ""), "ABC");
  QueueKeys("aBc\r");
  EXPECT_EQ(InputLine(2, 10, "aBc", ""), "abc");
  QueueKeys("aBc\r");
  EXPECT_EQ(InputLine(0, 10, "aBc", ""), "aBc");
  QueueKeys("ABC\r");
  EXPECT_EQ(InputLine(0, 10, "abc", ""), "") << "the allowed set is matched as typed";
}

TEST_F(PromptTest, InputLineLimitAndBackspace) {
  QueueKeys("abcd\x08" "e\r");
  EXPECT_EQ(InputLine(0, 3, "abcde", ""), "abe");
  EXPECT_EQ(TakeOutput(), "abc\x08 \x08" "e\r\n");
  QueueKeys("\x08\x08\x7f" "x\r");
  EXPECT_EQ(InputLine(0, 5, "x", ""), "x") << "backspace on an empty line does nothing";
  EXPECT_EQ(TakeOutput(), "x\r\n");
}

TEST_F(PromptTest, InputLineCutsTheInitialTextAndLetsItBeEdited) {
  QueueKeys("\x08z\r");
  EXPECT_EQ(InputLine(0, 4, "z", "abcdef"), "abcz");
  EXPECT_EQ(TakeOutput(), "abcd\x08 \x08z\r\n");
}

TEST_F(PromptTest, InputNumberTakesOnlyWholeNumbers) {
  struct Case {
    const char* keys;
    int32_t value;
  } cases[] = {{"12q\r", 0}, {"-5\r", -5}, {"5-\r", 0}, {"\r", 0}, {"-\r", 0},
               {"0042\r", 42}, {"12a3\r", 123}, {"2147483648\r", 0}};
  for (const Case& c : cases) {
    QueueKeys(c.keys);
    EXPECT_EQ(InputNumber(10), c.value) << c.keys;
  }
}

TEST_F(PromptTest, PauseKeyWaitsForEnterOrSpaceOnly) {
  QueueKeys("xq\x1b[A ");
  PauseKey();
  EXPECT_EQ(TakeOutput(), "\x1b[1;33m\x1b[40m[-*-]\x08 \x08\x08 \x08\x08 \x08\x08 \x08\x08 \x08");
  EXPECT_TRUE(Fake.input.empty());
}

TEST_F(PromptTest, AskAnsiReplacesTheDropFileValue) {
  DoorSession.Ansi = 2;
  QueueKeys("y");
  AskAnsi();
  EXPECT_EQ(DoorSession.Ansi, 1);
  EXPECT_EQ(TakeOutput(), "\x1b[H\x1b[2JDo you want ANSI graphics? [Y/N] Y\r\n");
  QueueKeys("N");
  AskAnsi();
  EXPECT_EQ(DoorSession.Ansi, 0);
}

}  // namespace
