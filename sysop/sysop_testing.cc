#include "sysop/sysop_testing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"

namespace {

std::string MakeTempDir(const char* kind) { return MakeScratchDir(std::string("sysop-") + kind) + "/"; }

template <typename Bytes>
std::string AsText(const Bytes& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

std::string MakeSysopTestDir() {
  const std::string dir = MakeTempDir("data");
  InstallFakeHost(dir);
  WriteSysopTestFile(dir, "kordavin.dat",
                     ReadSysopTestFile(std::string(KORDAVIN_SOURCE_DIR) + "/data/", "kordavin.dat"));
  return dir;
}

void WriteSysopTestFile(const std::string& dir, const std::string& name, const std::string& bytes) {
  WriteScratchFile(dir + name, bytes);
}

std::string ReadSysopTestFile(const std::string& dir, const std::string& name) {
  return ReadWholeFile(dir + name);
}

void WriteSysopTestPlayers(const std::string& dir, const std::vector<PlayerRecord>& players) {
  std::string bytes;
  for (const PlayerRecord& player : players) bytes += AsText(EncodePlayer(player));
  WriteSysopTestFile(dir, "kordavin.ply", bytes);
}

PlayerRecord SysopTestPlayer(const std::string& name, const std::string& alias, int32_t cash,
                             int whores) {
  PlayerRecord player = NewPlayer();
  player.Name = name;
  player.BbsAlias = alias;
  player.Cash = cash;
  player.LastDay = 8;
  player.TimeLeft = 240;
  player.WhoreCount = static_cast<uint8_t>(whores);
  for (size_t k = 0; k < static_cast<size_t>(whores); ++k) {
    player.WhoreNameIndex[k] = static_cast<uint8_t>(k + 1);
    player.WhoreHours[k] = 8;
    player.WhoreRate[k] = 400;
  }
  return player;
}

NewsMessage SysopTestNews(const std::string& to, const std::string& line1) {
  return NewsMessage{to, line1, std::string()};
}

void WriteSysopTestNews(const std::string& dir, const std::vector<NewsMessage>& messages) {
  std::string bytes;
  for (const NewsMessage& message : messages) bytes += AsText(EncodeNews(message));
  WriteSysopTestFile(dir, "kordavin.msg", bytes);
}

std::string MakeSysopTestProc() { return MakeTempDir("proc"); }

void AddSysopTestProcess(const std::string& proc, int pid, const std::vector<std::string>& argv,
                         const std::string& program) {
  const std::string process = proc + std::to_string(pid);
  ASSERT_EQ(mkdir(process.c_str(), 0755), 0);
  std::string cmdline;
  for (const std::string& word : argv) cmdline += word + '\0';
  WriteSysopTestFile(process + "/", "cmdline", cmdline);
  if (!program.empty()) {
    ASSERT_EQ(symlink(program.c_str(), (process + "/exe").c_str()), 0);
  }
}
