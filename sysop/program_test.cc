// The built programs as a sysop meets them: the tool's exit codes and
// streams, and the door directory that the install lays out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "store/records.h"
#include "sysop/sysop_testing.h"

namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Runs a shell command line with no input; its streams land in scratch files.
SysopTestRun RunProgram(const std::string& command) {
  const std::string scratch = MakeSysopTestProc();
  const std::string line = command + " </dev/null >" + scratch + "out 2>" + scratch + "err";
  const int status = std::system(line.c_str());
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return SysopTestRun{code, ReadSysopTestFile(scratch, "out"), ReadSysopTestFile(scratch, "err")};
}

bool IsExecutable(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IXUSR);
}

std::set<std::string> FilesUnder(const fs::path& root) {
  std::set<std::string> names;
  if (!fs::exists(root)) return names;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), root).string());
  }
  return names;
}

TEST(SysopProgram, HelpUsageErrorsAndExitCodes) {
  const std::string tool = KORDAVIN_SYSOP_BINARY;
  SysopTestRun run = RunProgram(Quoted(tool) + " --help");
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out.rfind("Usage: kordavin-sysop [--dir DIR] [--force] COMMAND [ARGUMENTS]\n", 0),
            0u);
  EXPECT_NE(run.out.find("Exit codes: 0 success, 1 usage error, 2 refused or data error.\n"),
            std::string::npos);

  for (const char* bad : {"", " frobnicate", " list --clean", " list extra", " --dir"}) {
    run = RunProgram(Quoted(tool) + bad);
    EXPECT_EQ(run.code, 1) << bad;
    EXPECT_EQ(run.out, "") << bad;
    EXPECT_NE(run.err.find("Try 'kordavin-sysop --help'."), std::string::npos) << bad;
  }
  run = RunProgram(Quoted(tool) + " --dir /nonexistent/kordavin list");
  EXPECT_EQ(run.code, 2);
  EXPECT_EQ(run.err, "kordavin-sysop: /nonexistent/kordavin/ is not a directory\n");
}

// The shared game code stops a caller's session on a file it cannot lock;
// in the tool that must neither wait for a key nor exit with success.
TEST(SysopProgram, AFileANodeHoldsFailsTheCommandAtOnce) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Pimp", "P", 100, 0)});
  const int fd = open((dir + "kordavin.ply").c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);
  const std::string tool = Quoted(KORDAVIN_SYSOP_BINARY) + " --dir " + Quoted(dir);

  SysopTestRun run = RunProgram(tool + " check --repair");
  EXPECT_EQ(run.code, 2);
  EXPECT_NE(run.err.find("ERROR: Unable to reset file: 5"), std::string::npos) << run.err;
  run = RunProgram(tool + " edit 1 cash=5");
  EXPECT_EQ(run.code, 2);
  EXPECT_EQ(run.err, "kordavin-sysop: cannot lock " + dir + "kordavin.ply: another node holds it\n");
  close(fd);
  run = RunProgram(tool + " edit 1 cash=5");
  EXPECT_EQ(run.code, 0) << run.err;

  // A node that lets go while the tool is still asking does not fail it.
  const int held = open((dir + "kordavin.ply").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(fcntl(held, F_OFD_SETLK, &lock), 0);
  std::thread door([held] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    close(held);
  });
  run = RunProgram(tool + " edit 1 cash=7");
  door.join();
  EXPECT_EQ(run.code, 0) << run.err;
  const std::string stored = ReadSysopTestFile(dir, "kordavin.ply");
  ASSERT_EQ(stored.size(), kPlayerRecordSize);
  EXPECT_EQ(DecodePlayer(reinterpret_cast<const uint8_t*>(stored.data())).Cash, 7);
}

TEST(SysopProgram, InstallLaysOutADoorDirectoryTheToolWorksIn) {
  const fs::path prefix = fs::path(MakeSysopTestProc()) / "door";
  SysopTestRun run = RunProgram(Quoted(KORDAVIN_CMAKE_COMMAND) + " --install " +
                                Quoted(KORDAVIN_BUILD_DIR) + " --prefix " + Quoted(prefix));
  ASSERT_EQ(run.code, 0) << run.err;

  EXPECT_TRUE(IsExecutable(prefix / "kordavin"));
  EXPECT_TRUE(IsExecutable(prefix / "kordavin-sysop"));
  const std::string source = std::string(KORDAVIN_SOURCE_DIR) + "/";
  EXPECT_EQ(ReadSysopTestFile(prefix.string() + "/", "kordavin.dat"),
            ReadSysopTestFile(source + "data/", "kordavin.dat"));
  EXPECT_EQ(ReadSysopTestFile(prefix.string() + "/", "title1.ans"),
            ReadSysopTestFile(source + "data/", "title1.ans"));
  EXPECT_EQ(ReadSysopTestFile(prefix.string() + "/", "README.md"),
            ReadSysopTestFile(source, "README.md"));
  EXPECT_EQ(FilesUnder(prefix / "docs"), FilesUnder(source + "docs"));
  // The door makes its own data files on the first call.
  for (const char* made_by_door : {"kordavin.ply", "kordavin.cfg", "kordavin.msg"}) {
    EXPECT_FALSE(fs::exists(prefix / made_by_door)) << made_by_door;
  }

  // Without --dir the installed tool works on the files beside it.
  run = RunProgram(Quoted((prefix / "kordavin-sysop").string()) + " reset --yes");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(fs::file_size(prefix / "kordavin.cfg"), kGameConfigFileSize);
  run = RunProgram(Quoted((prefix / "kordavin-sysop").string()) + " check");
  EXPECT_EQ(run.code, 0) << run.out << run.err;
}

}  // namespace
