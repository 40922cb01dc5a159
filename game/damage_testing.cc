#include "game/damage_testing.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>

#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"
#include "game/join.h"
#include "store/players.h"
#include "store/shared_data.h"
#include "store/state.h"

namespace {

constexpr uid_t kNobody = 65534;

template <typename Bytes>
std::string AsText(const Bytes& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

std::string MakeDamageTestDir() {
  const std::string dir = MakeScratchDir("damage") + "/";
  InstallFakeHost(dir);
  SetFakeNow(LocalClock{2026, 12, 8, 14, 0, 0});
  ResetGameSession();
  DoorSession.Ansi = 0;
  DoorSession.RealName = "Joe Caller";
  WriteScratchFile(dir + "kordavin.dat", ReadWholeFile(KORDAVIN_SOURCE_DIR "/data/kordavin.dat"));
  WriteScratchFile(dir + "kordavin.ply", "");
  WriteScratchFile(dir + "kordavin.msg", "");
  WriteScratchFile(dir + "kordavin.cfg", std::string(kGameConfigFileSize, '\0'));
  return dir;
}

void WriteDamageFile(const std::string& name, const std::string& bytes) {
  WriteScratchFile(DoorSession.ProgramDir + name, bytes);
}

std::string ReadDamageFile(const std::string& name) {
  return ReadWholeFile(DoorSession.ProgramDir + name);
}

std::string DamageRecordBytes(const PlayerRecord& player) { return AsText(EncodePlayer(player)); }

std::string DamageRecordBytes(const NewsMessage& message) { return AsText(EncodeNews(message)); }

void PokeDamageByte(std::string& bytes, size_t at, uint8_t value) {
  bytes.at(at) = static_cast<char>(value);
}

void PokeDamageI16(std::string& bytes, size_t at, int16_t value) {
  const auto bits = static_cast<uint16_t>(value);
  PokeDamageByte(bytes, at, static_cast<uint8_t>(bits & 0xFF));
  PokeDamageByte(bytes, at + 1, static_cast<uint8_t>(bits >> 8));
}

void PokeDamageI32(std::string& bytes, size_t at, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (size_t i = 0; i < 4; ++i) PokeDamageByte(bytes, at + i, static_cast<uint8_t>(bits >> (8 * i)));
}

std::string WreckedPlayerBytes(const std::string& alias, uint8_t clothes) {
  PlayerRecord player = NewPlayer();
  player.Name = std::string(30, 'W');
  player.BbsAlias = alias;
  std::string bytes = DamageRecordBytes(player);
  PokeDamageByte(bytes, damage_at::kName, 255);
  // The byte after the name's field, which a length of 255 would reach into.
  PokeDamageByte(bytes, damage_at::kName + 31, '!');
  PokeDamageByte(bytes, damage_at::kWhoreCount, 255);
  for (size_t k = 0; k < kMaxWhores; ++k) {
    PokeDamageByte(bytes, damage_at::kWhoreNameIndex + k, k % 2 == 0 ? 0 : 200);
    PokeDamageByte(bytes, damage_at::kWhoreCondoms + k, 255);
    PokeDamageByte(bytes, damage_at::kWhoreHours + k, 255);
    const int32_t rate = k % 2 == 0 ? std::numeric_limits<int32_t>::max()
                                    : std::numeric_limits<int32_t>::min();
    PokeDamageI32(bytes, damage_at::kWhoreRate + 4 * k, rate);
    PokeDamageI16(bytes, damage_at::kWhoreDays + 2 * k, k % 2 == 0 ? 32767 : -32768);
  }
  PokeDamageByte(bytes, damage_at::kClothesLevel, clothes);
  PokeDamageByte(bytes, damage_at::kHouseStreet, 255);
  PokeDamageI32(bytes, damage_at::kCash, -5);
  PokeDamageI16(bytes, damage_at::kCondomStock, -32768);
  PokeDamageByte(bytes, damage_at::kAteFlameBurger, 255);
  PokeDamageByte(bytes, damage_at::kLastDay, 200);
  PokeDamageI16(bytes, damage_at::kTimeLeft, -7);
  return bytes;
}

bool EndsDamageSession(const std::function<void()>& action) {
  try {
    action();
  } catch (const SessionEnded&) {
    return true;
  }
  return false;
}

std::vector<PlayerRecord> LoadDamagePlayers() {
  const std::string bytes = ReadDamageFile("kordavin.ply");
  EXPECT_EQ(bytes.size() % kPlayerRecordSize, 0u) << "kordavin.ply holds a partial record";
  std::vector<PlayerRecord> players;
  for (size_t at = 0; at + kPlayerRecordSize <= bytes.size(); at += kPlayerRecordSize) {
    players.push_back(DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  }
  return players;
}

bool BecomeDamageFileUser() {
  if (geteuid() != 0) return true;
  // Leaving file-system user 0 also drops the capability to override
  // permission bits, for file access only and only until it is given back.
  setfsuid(kNobody);
  return static_cast<uid_t>(setfsuid(kNobody)) == kNobody;
}

void RestoreDamageFileUser() {
  if (geteuid() != 0) return;
  setfsuid(0);
}

std::string MountDamageDisk(size_t bytes, std::string& why) {
  const std::string made = MakeScratchDir("disk");
  const std::string options = "size=" + std::to_string(bytes);
  if (mount("tmpfs", made.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    why = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
    return "";
  }
  return made + "/";
}

void FillDamageDisk(const std::string& dir) {
  const int fd = open((dir + "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    ADD_FAILURE() << "cannot make the filler file in " << dir;
    return;
  }
  const std::string block(4096, 'f');
  // A write that no longer fits whole still fills what is left of the last
  // page, so every block stops only at a write that takes nothing.
  while (write(fd, block.data(), block.size()) > 0) {
  }
  close(fd);
}

void UnmountDamageDisk(const std::string& dir) {
  if (dir.empty()) return;
  umount2(dir.c_str(), MNT_DETACH);
  rmdir(dir.c_str());
}

void DamagedRecordsTest::SeatCaller(const std::string& players) {
  WriteDamageFile("kordavin.ply", players);
  LoadNameLists();
  ASSERT_TRUE(LoadPlayer());
  DailyLogin();
  TakeOutput();
}

std::string DamagedRecordsTest::StoredBytes(int n) {
  return ReadDamageFile("kordavin.ply").substr((n - 1) * kPlayerRecordSize, kPlayerRecordSize);
}
