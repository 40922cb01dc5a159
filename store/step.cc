#include "store/step.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "door/session.h"
#include "store/door_wake.h"
#include "store/data_files.h"
#include "store/records.h"

namespace {

const char* NameOf(StepFile which) {
  switch (which) {
    case StepFile::kConfig: return kConfigFile;
    case StepFile::kPlayers: return kPlayerFile;
    case StepFile::kNews: return kNewsFile;
    case StepFile::kPresence: break;
  }
  return "";
}

size_t RecordSizeOf(StepFile which) {
  switch (which) {
    case StepFile::kConfig: return kGameConfigSize;
    case StepFile::kPlayers: return kPlayerRecordSize;
    case StepFile::kNews: return kNewsMessageSize;
    case StepFile::kPresence: return kNodeRecordSize;
  }
  return 0;
}

constexpr StepFile kLockOrder[] = {StepFile::kConfig, StepFile::kPlayers, StepFile::kNews,
                                   StepFile::kPresence};

}  // namespace

StoreStep::StoreStep() : StoreStep(DoorSession.ProgramDir) {}

StoreStep::StoreStep(std::string data_dir) : dir(std::move(data_dir)), open_flags(O_RDWR) {}

StoreStep::~StoreStep() { End(); }

RecordFile& StoreStep::File(StepFile which) {
  switch (which) {
    case StepFile::kConfig: return config;
    case StepFile::kPlayers: return players;
    case StepFile::kNews: return news;
    case StepFile::kPresence: break;
  }
  return presence;
}

std::string StoreStep::PathOf(StepFile which) const {
  if (which == StepFile::kPresence) return dir + NodeFileName(presence_node_);
  return dir + NameOf(which);
}

StoreStatus StoreStep::Take(StepFile which, int16_t node) {
  for (StepFile later : kLockOrder) {
    if (later > which && File(later).fd >= 0) return StoreStatus{StoreOp::kOpen, kErrBadPosition};
  }
  if (which == StepFile::kPresence) presence_node_ = node;
  return OpenRecords(File(which), PathOf(which), RecordSizeOf(which), true, open_flags,
                     lock_attempts);
}

bool StoreStep::TakeOrEnd(StepFile which, int16_t node) {
  const StoreStatus taken = Take(which, node);
  if (taken.code == kLockDenied || taken.code == kErrBadPosition) RefuseStoreAccess(taken);
  return taken.ok();
}

void StoreStep::BeginWrites() {
  if (!hold_) hold_.emplace();
}

StoreStatus StoreStep::Write(StepFile which, int64_t index, const uint8_t* record) {
  BeginWrites();
  return WriteRecordAt(File(which), index, record);
}

StoreStatus StoreStep::Replace(StepFile which, const std::vector<uint8_t>& bytes) {
  BeginWrites();
  const StoreStatus replaced = ReplaceContent(File(which), bytes.data(), bytes.size());
  if (!replaced.ok() && File(which).fd >= 0) unlink(PathOf(which).c_str());
  return replaced;
}

void StoreStep::End() {
  for (auto at = std::rbegin(kLockOrder); at != std::rend(kLockOrder); ++at) {
    CloseRecordFile(File(*at));
  }
  for (const int32_t player : wake_players) WakePlayerDoor(dir, player);
  wake_players.clear();
  hold_.reset();
}
