// Test support for the damaged-file tests: a scratch data directory behind
// the fake host, records with damage poked into their bytes, a file user the
// permission bits apply to even under root, and a small file system that is
// full.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/records.h"

// Where the fields of a stored player record sit, for poking damage in.
namespace damage_at = player_at;

// A fresh scratch directory installed as the program directory: the fake
// host on 8 December 2026, 14:00, no colour, the caller "Joe Caller", the
// game's own kordavin.dat, empty player and news files and a zeroed
// 128-byte configuration. Returns the path with its trailing "/".
std::string MakeDamageTestDir();

// Whole files of the program directory, by bare name.
void WriteDamageFile(const std::string& name, const std::string& bytes);
std::string ReadDamageFile(const std::string& name);

// The stored bytes of a record.
std::string DamageRecordBytes(const PlayerRecord& player);
std::string DamageRecordBytes(const NewsMessage& message);

// Overwrites little-endian values inside stored bytes.
void PokeDamageByte(std::string& bytes, size_t at, uint8_t value);
void PokeDamageI16(std::string& bytes, size_t at, int16_t value);
void PokeDamageI32(std::string& bytes, size_t at, int32_t value);

// A player record with every field damaged at once: both length bytes 255,
// WhoreCount 255, whore-name indexes alternating 0 and 200, 255 condoms
// and hours, extreme rates and days, clothes level `clothes`, house street
// 255, cash -5, condom stock -32768, LastDay 200 and TimeLeft -7. The alias
// stays readable, so the record still belongs to its caller.
std::string WreckedPlayerBytes(const std::string& alias, uint8_t clothes);

// Runs the action and tells whether it ended the session.
bool EndsDamageSession(const std::function<void()>& action);

// The player records of kordavin.ply; fails the test on a partial record.
std::vector<PlayerRecord> LoadDamagePlayers();

// Makes the permission bits of files count for this process, also when it
// runs as root (the file-system user becomes "nobody"); false when that is
// not possible. RestoreDamageFileUser undoes it.
bool BecomeDamageFileUser();
void RestoreDamageFileUser();

// Mounts a tmpfs of the given size at a fresh directory and returns its
// path with a trailing "/"; empty, with the reason in why, where the system
// does not let the test mount one.
std::string MountDamageDisk(size_t bytes, std::string& why);
// Writes a filler file into dir until the file system takes no more.
void FillDamageDisk(const std::string& dir);
void UnmountDamageDisk(const std::string& dir);

// The suite of records that arrive damaged, wherever the caller takes them
// (the town's places, the casino): each test in a fresh damage directory.
class DamagedRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeDamageTestDir(); }

  // Stores the players file, the caller's record first, and brings him in
  // as start-up does.
  static void SeatCaller(const std::string& players);
  // Record n (1-based) of kordavin.ply as its bytes are now.
  static std::string StoredBytes(int n);

  std::string dir_;
};
