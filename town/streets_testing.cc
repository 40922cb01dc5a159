#include "town/streets_testing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>


#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"
#include "store/files.h"
#include "store/presence_testing.h"
#include "store/state.h"

namespace {

std::string StreetsPath(const std::string& name) { return DoorSession.ProgramDir + name; }

void WriteStreetsFile(const std::string& name, const std::string& bytes) {
  WriteScratchFile(StreetsPath(name), bytes);
}

}  // namespace

std::string MakeStreetsTestDir() {
  InstallFakeHost(MakeScratchDir("streets"));
  DoorSession.Ansi = 0;
  DoorSession.RealName = "Joe Caller";
  ResetGameSession();
  for (int i = 1; i <= 50; ++i) GameSession.WhoreName[i] = "Whore" + std::to_string(i);
  for (int i = 1; i <= 10; ++i) GameSession.ClothesName[i] = "Clothes" + std::to_string(i);
  GameSession.TimeLeft = 200;
  return DoorSession.ProgramDir;
}

void StoreStreetsPlayers(const std::vector<PlayerRecord>& players) {
  std::string bytes;
  for (const PlayerRecord& player : players) {
    const PlayerBytes encoded = EncodePlayer(player);
    bytes.append(reinterpret_cast<const char*>(encoded.data()), encoded.size());
  }
  WriteStreetsFile("kordavin.ply", bytes);
  WriteStreetsFile("kordavin.msg", "");
}

std::vector<PlayerRecord> LoadStreetsPlayers() {
  const std::string bytes = ReadStreetsFile("kordavin.ply");
  EXPECT_EQ(bytes.size() % kPlayerRecordSize, 0u) << "file holds a partial record";
  std::vector<PlayerRecord> players;
  for (size_t at = 0; at + kPlayerRecordSize <= bytes.size(); at += kPlayerRecordSize) {
    players.push_back(DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  }
  return players;
}

std::vector<NewsMessage> LoadStreetsNews() {
  const std::string bytes = ReadStreetsFile("kordavin.msg");
  std::vector<NewsMessage> news;
  for (size_t at = 0; at + kNewsMessageSize <= bytes.size(); at += kNewsMessageSize) {
    news.push_back(DecodeNews(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  }
  return news;
}

void StoreStreetsNode(int node, const std::string& name, bool live) {
  NodeRecord record;
  record.Name = name;
  const NodeBytes encoded = EncodeNode(record);
  std::string block(reinterpret_cast<const char*>(encoded.data()), encoded.size());
  block.resize(kNodeFileSize, '\0');
  WriteStreetsFile(NodeFileName(node), block);
  if (live) {
    HoldPresence(StreetsPath(NodeFileName(node)));
  } else {
    ReleasePresence(StreetsPath(NodeFileName(node)));
  }
}

std::string ReadStreetsFile(const std::string& name) {
  return ReadWholeFile(StreetsPath(name));
}

bool StreetsFileExists(const std::string& name) {
  struct stat info {};
  return stat(StreetsPath(name).c_str(), &info) == 0;
}

PlayerRecord MakeStreetsPlayer(const std::string& name, const std::string& alias) {
  PlayerRecord player = NewPlayer();
  player.Name = name;
  player.BbsAlias = alias;
  return player;
}

int CountStreetsText(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}
