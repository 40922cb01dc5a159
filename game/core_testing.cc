#include "game/core_testing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>


#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"
#include "store/state.h"

std::string MakeCoreTestDir() {
  const std::string dir = MakeScratchDir("core");
  InstallFakeHost(dir);
  ResetGameSession();
  DoorSession.Ansi = 0;
  DoorSession.RealName = "Core Tester";
  return dir;
}

void WriteCoreFile(const std::string& name, const std::string& bytes) {
  WriteScratchFile(DoorSession.ProgramDir + name, bytes);
}

bool CoreFileExists(const std::string& name) {
  struct stat info {};
  return stat((DoorSession.ProgramDir + name).c_str(), &info) == 0;
}

void StoreCorePlayer(PlayerRecord player, int16_t time_left) {
  player.TimeLeft = time_left;
  // The caller's record is found, and saved, by his alias.
  player.BbsAlias = DoorSession.RealName;
  const PlayerBytes bytes = EncodePlayer(player);
  WriteCoreFile("kordavin.ply", std::string(bytes.begin(), bytes.end()));
  GameSession.Player = player;
  GameSession.PlayerNumber = 1;
  GameSession.TimeLeft = time_left;
}

PlayerRecord LoadCorePlayer() {
  const std::string bytes = ReadWholeFile(DoorSession.ProgramDir + "kordavin.ply");
  if (bytes.size() < kPlayerRecordSize) {
    ADD_FAILURE() << "kordavin.ply holds no whole record";
    return PlayerRecord{};
  }
  return DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data()));
}
