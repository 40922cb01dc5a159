#include "store/door_wake.h"

#include "door/platform.h"
#include "door/session.h"
#include "store/data_files.h"
#include "store/files.h"
#include "store/state.h"

void OpenOwnWakeChannel() {
  if (GameSession.PlayerNumber < 1) return;
  const std::string path = DataPath(WakeChannelName(GameSession.PlayerNumber));
  DoorSession.WokenByOthers = Host.OpenWakeChannel(path.c_str());
}

void CloseOwnWakeChannel() {
  if (!DoorSession.WokenByOthers) return;
  DoorSession.WokenByOthers = false;
  Host.CloseWakeChannel();
}

void WakePlayerDoor(const std::string& dir, int32_t player) {
  if (player < 1) return;
  Host.Wake((dir + WakeChannelName(player)).c_str());
}
