// A step: everything one action writes to the shared files, done as one.
// The step takes the exclusive lock of every file it will write before its
// first write, always in the lock order below, so no two nodes can each hold
// what the other waits for; hang-ups are held from its first write to its
// last, so a caller who drops the line leaves all of it or none of it. Every
// operation returns a status: what a failure means to the caller is the
// program's to say (SetStoreRefusalHandler), never the step's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "door/terminal.h"
#include "store/files.h"

// The files a step may hold, in the lock order.
enum class StepFile : uint8_t { kConfig, kPlayers, kNews, kPresence };

struct StoreStep {
  RecordFile config;    // kordavin.cfg
  RecordFile players;   // kordavin.ply
  RecordFile news;      // kordavin.msg
  RecordFile presence;  // kordavin.<node>, one node's presence file
  // The directory of the data files, "/"-terminated: the door's own unless
  // the sysop tool names one.
  std::string dir;
  // O_RDWR, or O_RDWR | O_CREAT where a missing file is to be made.
  int open_flags;
  // kLockPatience, or kLockOnce where a refusal can wait for the next look.
  int lock_attempts = kLockPatience;
  // Players whose doors End wakes (store/door_wake.h): after the files are
  // closed, so a woken door finds them free, and before hang-ups are let in,
  // so a caller who hung up during the step cannot leave a change untold.
  std::vector<int32_t> wake_players;

  StoreStep();
  explicit StoreStep(std::string data_dir);
  StoreStep(const StoreStep&) = delete;
  StoreStep& operator=(const StoreStep&) = delete;
  ~StoreStep();

  // Takes which's exclusive lock (node names the presence file). A file
  // before one already held in the lock order is refused: taking it now
  // could wait on a node that waits on us. On any failure the step has
  // written nothing and holds what it held before.
  StoreStatus Take(StepFile which, int16_t node = 0);
  // The door's way: a refused lock ends the session; a file that cannot be
  // opened for another reason (it is not there) returns false.
  bool TakeOrEnd(StepFile which, int16_t node = 0);
  RecordFile& File(StepFile which);
  std::string PathOf(StepFile which) const;

  // Called before the step's first write: hang-ups wait until End.
  void BeginWrites();
  // One whole record written at index of a held file.
  StoreStatus Write(StepFile which, int64_t index, const uint8_t* record);
  // Makes bytes the whole content of a held file. A file a full disk left
  // cut short is removed instead: the next start-up makes a whole one,
  // where a short one would stop every caller at its first read.
  StoreStatus Replace(StepFile which, const std::vector<uint8_t>& bytes);
  // Closes the files, last taken first, wakes wake_players and lets hang-ups in.
  void End();

 private:
  std::optional<HangupHold> hold_;
  int16_t presence_node_ = 0;
};
