#include "store/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <vector>

#include "door/fake_host_testing.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/posix_platform.h"
#include "door/session.h"
#include "store/records_testing.h"
#include "store/rival_change.h"
#include "store/state.h"
#include "store/players.h"
#include "store/shared_data.h"
#include "store/session_end.h"

namespace {

std::string PlayerFile(const std::vector<std::string>& aliases) {
  std::string bytes;
  for (const std::string& alias : aliases) {
    PlayerRecord player = NewPlayer();
    player.Name = "Pimp " + alias;
    player.BbsAlias = alias;
    bytes += RecordsTestBytes(EncodePlayer(player));
  }
  return bytes;
}

// Runs a failing operation and returns what the caller saw; the session must
// end through the orderly exit.
template <typename Operation>
std::string OutputOfFailure(Operation operation) {
  QueueKeys("\r");
  try {
    operation();
    ADD_FAILURE() << "the session went on";
  } catch (const SessionEnded& ended) {
    EXPECT_EQ(ended.code, 0);
  }
  return TakeOutput();
}

TEST(RecordFileNames, AppendToTheProgramDirectory) {
  InstallFakeHost("/bbs/doors/game//");
  EXPECT_EQ(DataPath("kordavin.ply"), "/bbs/doors/game//kordavin.ply");
  EXPECT_EQ(NodeFileName(1), "kordavin.1");
  EXPECT_EQ(NodeFileName(12), "kordavin.12");
}

TEST(RecordRetries, WaitOutAShortLockAndGiveUpAfterFive) {
  MakeRecordsTestDir();
  WriteRecordsTestFile("kordavin.ply", PlayerFile({"A"}));
  RecordFile file;
  Fake.lock_denials = 3;
  EXPECT_TRUE(OpenRecordFile(file, "kordavin.ply", kPlayerRecordSize, kModeShared));
  EXPECT_EQ(Fake.lock_calls, 4);
  EXPECT_EQ(Fake.sleeps, (std::vector<int>{100, 100, 100}));
  CloseRecordFile(file);
  EXPECT_EQ(TakeOutput(), "");

  Fake.lock_calls = 0;
  Fake.sleeps.clear();
  Fake.lock_denials = 99;
  WriteRecordsTestFile("kordavin.1", std::string(128, '\0'));
  std::string seen = OutputOfFailure(
      [&] { OpenRecordFile(file, "kordavin.ply", kPlayerRecordSize, kModeExclusive); });
  EXPECT_EQ(Fake.lock_calls, 5);
  EXPECT_EQ(Fake.sleeps, (std::vector<int>{100, 100, 100, 100, 100}));
  EXPECT_NE(seen.find("\r\nERROR: Unable to reset file: 5\r\n"), std::string::npos) << seen;
  EXPECT_FALSE(RecordsTestFileExists("kordavin.1"));  // ended through EndSession
  EXPECT_EQ(file.fd, -1);
}

// A file goes out of scope closed, whichever way its operation was left, so
// no other node waits on a lock nobody will let go.
TEST(RecordAccess, AFileClosesItselfAtTheEndOfItsScope) {
  MakeRecordsTestDir();
  WriteRecordsTestFile("kordavin.ply", PlayerFile({"A"}));
  int fd = -1;
  {
    RecordFile file;
    ASSERT_TRUE(OpenRecordFile(file, "kordavin.ply", kPlayerRecordSize, kModeExclusive));
    fd = file.fd;
    EXPECT_TRUE(HoldsRecordFile());
  }
  EXPECT_FALSE(HoldsRecordFile());
  errno = 0;
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);
}

// The news lock comes before the step's first write: refused, the theft,
// the caller's payment and the news are all left unwritten.
TEST(RecordRetries, ARefusedNewsLockEndsTheStepWithNothingWritten) {
  MakeRecordsTestDir();
  const std::string players = PlayerFile({"A", "B"});
  WriteRecordsTestFile("kordavin.ply", players);
  WriteRecordsTestFile("kordavin.msg", "");
  DoorSession.RealName = "A";
  ASSERT_TRUE(LoadPlayer());
  Fake.lock_calls = 0;
  const std::string seen = OutputOfFailure([] {
    ChangeRivalInOneStep(2, [](PlayerRecord& rival, std::vector<StepNews>& news) {
      rival.Cash = 1;
      GameSession.Player.Cash += rival.Cash;
      news.push_back({KeyOf(rival), "You were robbed."});
      Fake.lock_denials = 99;  // another node holds kordavin.msg from here on
      return true;
    });
  });
  EXPECT_NE(seen.find("\r\nERROR: Unable to reset file: 5\r\n"), std::string::npos) << seen;
  EXPECT_EQ(Fake.lock_calls, 6);
  EXPECT_EQ(ReadRecordsTestFile("kordavin.ply"), players);
  EXPECT_EQ(ReadRecordsTestFile("kordavin.msg"), "");
  EXPECT_FALSE(HoldsRecordFile());
}

TEST(RecordRetries, OtherOpenFailuresReturnFalseQuietly) {
  MakeRecordsTestDir();
  RecordFile file;
  EXPECT_FALSE(OpenRecordFile(file, "kordavin.5", kNodeRecordSize, kModeShared));
  EXPECT_EQ(Fake.sleeps.size(), 0u);
  EXPECT_EQ(TakeOutput(), "");
}

TEST(RecordAccess, WritesReadsAndCountsWholeRecords) {
  MakeRecordsTestDir();
  WriteRecordsTestFile("kordavin.msg", "");
  RecordFile file;
  ASSERT_TRUE(OpenRecordFile(file, "kordavin.msg", kNewsMessageSize, kModeExclusive));
  NewsBytes first = EncodeNews(NewsMessage{"A", "one", ""});
  NewsBytes second = EncodeNews(NewsMessage{"B", "two", ""});
  WriteRecord(file, first.data());
  WriteRecord(file, second.data());
  EXPECT_EQ(RecordCount(file), 2);
  EXPECT_TRUE(AtEndOfFile(file));
  SeekRecord(file, 1);
  NewsBytes read{};
  ReadRecord(file, read.data());
  EXPECT_EQ(read, second);
  EXPECT_EQ(file.position, 2);
  CloseRecordFile(file);
  EXPECT_EQ(ReadRecordsTestFile("kordavin.msg"),
            RecordsTestBytes(first) + RecordsTestBytes(second));
}

TEST(RecordAccess, APartialLastRecordIsAReadError) {
  MakeRecordsTestDir();
  WriteRecordsTestFile("kordavin.ply", PlayerFile({"Other"}) + std::string(100, 'x'));
  DoorSession.RealName = "Nobody";
  std::string seen = OutputOfFailure([] { LoadPlayer(); });
  EXPECT_NE(seen.find("ERROR: Unable to read file: 100\r\n"), std::string::npos) << seen;
}

// Batches of records per read: every record once, in order, across the
// batch edges; a stop or a limit leaves the position just past the last one.
TEST(RecordScan, VisitsEachRecordOnceAndStopsWhereAsked) {
  MakeRecordsTestDir();
  std::string bytes;
  for (int n = 0; n < 150; ++n) {
    bytes += RecordsTestBytes(EncodeNews(NewsMessage{"To " + std::to_string(n), "x", ""}));
  }
  WriteRecordsTestFile("kordavin.msg", bytes);
  RecordFile file;
  ASSERT_TRUE(OpenRecordFile(file, "kordavin.msg", kNewsMessageSize, kModeShared));
  std::vector<int64_t> seen;
  ScanRecords(file, 1000, [&seen](int64_t index, const uint8_t* record) {
    EXPECT_EQ(DecodeNews(record).To, "To " + std::to_string(index));
    seen.push_back(index);
    return true;
  });
  ASSERT_EQ(seen.size(), 150u);
  EXPECT_EQ(seen.back(), 149);
  EXPECT_EQ(file.position, 150);

  struct Case {
    int64_t most, stop_at, end;
  };
  for (const Case c : {Case{1000, 100, 101}, Case{70, 1000, 70}}) {
    SeekRecord(file, 0);
    int64_t visits = 0;
    ScanRecords(file, c.most, [&](int64_t index, const uint8_t*) {
      ++visits;
      return index != c.stop_at;
    });
    EXPECT_EQ(visits, c.end);
    EXPECT_EQ(file.position, c.end);
  }
  CloseRecordFile(file);

  int64_t visits = 0;
  ScanRecords(file, 1000, [&visits](int64_t, const uint8_t*) { return ++visits > 0; });
  EXPECT_EQ(visits, 0) << "a file that is not open holds nothing";

  WriteRecordsTestFile("kordavin.msg", bytes + "cut");
  ASSERT_TRUE(OpenRecordFile(file, "kordavin.msg", kNewsMessageSize, kModeShared));
  const std::string said = OutputOfFailure([&] {
    ScanRecords(file, 1000, [&visits](int64_t, const uint8_t*) { return ++visits > 0; });
  });
  EXPECT_EQ(visits, 150) << "every whole record comes before the cut one fails";
  EXPECT_NE(said.find("ERROR: Unable to read file: 100\r\n"), std::string::npos) << said;
}

// An open sends nothing: what waits may tell the very change the open is
// for, and goes out only after it is stored; a line that has dropped does not
// stop the save.
TEST(RecordAccess, AnOpenSendsNothingAndADeadLineDoesNotStopTheSave) {
  MakeRecordsTestDir();
  WriteRecordsTestFile("kordavin.msg", "");
  WriteRaw("your winnings");
  RecordFile file;
  ASSERT_TRUE(OpenRecordFile(file, "kordavin.msg", kNewsMessageSize, kModeExclusive));
  EXPECT_EQ(Fake.output, "");
  EXPECT_TRUE(HoldsRecordFile());
  CloseRecordFile(file);
  EXPECT_FALSE(HoldsRecordFile());

  Fake.line_gone = true;
  const NewsBytes record = EncodeNews(NewsMessage{"A", "kept", ""});
  ASSERT_TRUE(OpenRecordFile(file, "kordavin.msg", kNewsMessageSize, kModeExclusive));
  WriteRecord(file, record.data());
  CloseRecordFile(file);
  EXPECT_EQ(ReadRecordsTestFile("kordavin.msg"), RecordsTestBytes(record));
  EXPECT_THROW(FlushOutput(), SessionEnded) << "the next flush still ends the session";
}

TEST(RecordAccess, RefusesFilesNotOpenAndPositionsOutsideTheFile) {
  MakeRecordsTestDir();
  RecordFile closed;
  PlayerBytes bytes{};
  std::string seen = OutputOfFailure([&] { ReadRecord(closed, bytes.data()); });
  EXPECT_NE(seen.find("ERROR: Unable to read file: 103"), std::string::npos) << seen;
  seen = OutputOfFailure([&] { WriteRecord(closed, bytes.data()); });
  EXPECT_NE(seen.find("ERROR: Unable to write file: 103"), std::string::npos) << seen;

  // A save after the player file was emptied must not leave zeroed players
  // in front of the record: the caller's game is gone, and he is told so.
  WriteRecordsTestFile("kordavin.ply", "");
  for (int16_t number : {int16_t{3}, int16_t{-1}}) {
    GameSession.PlayerNumber = number;
    seen = OutputOfFailure([] { SavePlayer(); });
    EXPECT_NE(seen.find("The streets have changed while you were out."), std::string::npos) << seen;
    EXPECT_EQ(ReadRecordsTestFile("kordavin.ply"), "");
  }
}

TEST(EndOfSession, ErasesPresenceWaitsForAKeyAndExitsCleanly) {
  MakeRecordsTestDir();
  DoorSession.Ansi = 0;
  WriteRecordsTestFile("kordavin.1", std::string(128, '\0'));
  QueueKeys("x\r");
  try {
    EndSession();
  } catch (const SessionEnded& ended) {
    EXPECT_EQ(ended.code, 0);
  }
  EXPECT_FALSE(RecordsTestFileExists("kordavin.1"));
  EXPECT_TRUE(Fake.input.empty());  // the pause waited for Enter
  std::string seen = TakeOutput();
  EXPECT_EQ(seen.substr(0, 2), "\r\n");
  EXPECT_EQ(seen.substr(seen.size() - 2), "\r\n");
}

// Sixteen callers released at the same moment against one directory, each in
// its own process with the real locks.
int RunSixteenCallers(const std::string& dir, void (*call)(int caller)) {
  int gate[2];
  if (pipe(gate) != 0) return -1;
  std::vector<pid_t> children;
  for (int caller = 0; caller < 16; ++caller) {
    pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      char released;
      (void)!read(gate[0], &released, 1);
      Host = PosixPlatform();
      Host.ReadByte = [](int) { return kHungUp; };
      Host.WriteBytes = [](const char*, size_t) { return true; };
      Host.Exit = [](int) { _exit(3); };
      DoorSession.ProgramDir = dir + "/";
      call(caller);
      _exit(0);
    }
    children.push_back(pid);
  }
  close(gate[0]);
  close(gate[1]);
  int clean = 0;
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) ++clean;
  }
  return clean;
}

TEST(SimultaneousCallers, EachJoinerGetsARecordOfHisOwn) {
  std::string dir = MakeRecordsTestDir();
  WriteRecordsTestFile("kordavin.ply", "");
  EXPECT_EQ(RunSixteenCallers(dir, [](int caller) {
              PlayerRecord player = NewPlayer();
              player.BbsAlias = "Caller " + std::to_string(caller);
              AppendPlayer(player);
            }),
            16);
  std::string bytes = ReadRecordsTestFile("kordavin.ply");
  ASSERT_EQ(bytes.size(), 16 * kPlayerRecordSize);
  std::set<std::string> aliases;
  for (size_t i = 0; i < 16; ++i) {
    aliases.insert(DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data()) +
                                i * kPlayerRecordSize)
                       .BbsAlias);
  }
  EXPECT_EQ(aliases.size(), 16u);
}

TEST(SimultaneousCallers, EveryMessageGetsASlotOfItsOwn) {
  std::string dir = MakeRecordsTestDir();
  std::string free_slot = RecordsTestBytes(EncodeNews(NewsMessage{"", "DELETED", "DELETED"}));
  WriteRecordsTestFile("kordavin.msg", free_slot + free_slot);
  EXPECT_EQ(RunSixteenCallers(dir, [](int caller) {
              PostNews({"Victim"}, "Message " + std::to_string(caller), "");
            }),
            16);
  std::string bytes = ReadRecordsTestFile("kordavin.msg");
  ASSERT_EQ(bytes.size(), 16 * kNewsMessageSize);  // both free slots reused
  std::set<std::string> lines;
  for (size_t i = 0; i < 16; ++i) {
    NewsMessage message =
        DecodeNews(reinterpret_cast<const uint8_t*>(bytes.data()) + i * kNewsMessageSize);
    EXPECT_EQ(message.To, "Victim");
    lines.insert(message.Line1);
  }
  EXPECT_EQ(lines.size(), 16u);
}

}  // namespace
