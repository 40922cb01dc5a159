#include "town/raid_testing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"
#include "store/state.h"

namespace {

void WriteWholeFile(const std::string& path, const std::string& bytes, bool append) {
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

std::string MakeRaidTestDir() {
  const std::string dir = MakeScratchDir("raid") + "/";
  WriteWholeFile(dir + "kordavin.ply", "", false);
  WriteWholeFile(dir + "kordavin.msg", "", false);
  WriteWholeFile(dir + "kordavin.cfg", std::string(kGameConfigFileSize, '\0'), false);
  InstallFakeHost(dir);
  ResetGameSession();
  for (int k = 1; k <= 10; ++k) GameSession.ClothesName[k] = "Piece" + std::to_string(k);
  for (int k = 1; k <= 50; ++k) GameSession.WhoreName[k] = "Girl" + std::to_string(k);
  GameSession.TimeLeft = 200;
  DoorSession.Ansi = 0;  // plain text, so tests compare the words
  return dir;
}

PlayerRecord MakeRaidTestPlayer(const std::string& name, const std::string& alias) {
  PlayerRecord player = NewPlayer();
  player.Name = name;
  player.BbsAlias = alias;
  return player;
}

void GiveRaidTestWhores(PlayerRecord& player, int count, int first_name, int condoms) {
  for (int k = 0; k < count; ++k) {
    player.WhoreNameIndex[k] = static_cast<uint8_t>(first_name + k);
    player.WhoreCondoms[k] = static_cast<uint8_t>(condoms);
    player.WhoreHours[k] = 8;
    player.WhoreRate[k] = 300;
    player.WhoreDays[k] = static_cast<int16_t>(k + 1);
  }
  player.WhoreCount = static_cast<uint8_t>(count);
}

int16_t AddRaidTestPlayer(const std::string& dir, const PlayerRecord& player) {
  const PlayerBytes bytes = EncodePlayer(player);
  WriteWholeFile(dir + "kordavin.ply", std::string(bytes.begin(), bytes.end()), true);
  return static_cast<int16_t>(ReadWholeFile(dir + "kordavin.ply").size() / kPlayerRecordSize);
}

void SetRaidTestCaller(const std::string& dir, const PlayerRecord& player) {
  GameSession.PlayerNumber = AddRaidTestPlayer(dir, player);
  GameSession.Player = player;
  DoorSession.RealName = player.BbsAlias;
}

void StoreRaidTestPlayer(const std::string& dir, int16_t number, const PlayerRecord& player) {
  std::string bytes = ReadWholeFile(dir + "kordavin.ply");
  const size_t offset = static_cast<size_t>(number - 1) * kPlayerRecordSize;
  ASSERT_GE(bytes.size(), offset + kPlayerRecordSize);
  const PlayerBytes record = EncodePlayer(player);
  bytes.replace(offset, kPlayerRecordSize, std::string(record.begin(), record.end()));
  WriteWholeFile(dir + "kordavin.ply", bytes, false);
}

PlayerRecord ReadRaidTestPlayer(const std::string& dir, int16_t number) {
  const std::string bytes = ReadWholeFile(dir + "kordavin.ply");
  const size_t offset = static_cast<size_t>(number - 1) * kPlayerRecordSize;
  EXPECT_GE(bytes.size(), offset + kPlayerRecordSize);
  if (bytes.size() < offset + kPlayerRecordSize) return PlayerRecord{};
  return DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data() + offset));
}

std::vector<NewsMessage> ReadRaidTestNews(const std::string& dir) {
  const std::string bytes = ReadWholeFile(dir + "kordavin.msg");
  std::vector<NewsMessage> news;
  for (size_t at = 0; at + kNewsMessageSize <= bytes.size(); at += kNewsMessageSize) {
    news.push_back(DecodeNews(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  }
  return news;
}

GameConfig ReadRaidTestConfig(const std::string& dir) {
  const std::string bytes = ReadWholeFile(dir + "kordavin.cfg");
  EXPECT_GE(bytes.size(), kGameConfigSize);
  if (bytes.size() < kGameConfigSize) return GameConfig{};
  return DecodeConfig(reinterpret_cast<const uint8_t*>(bytes.data()));
}

void RemoveRaidTestDir(const std::string& dir) {
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}
