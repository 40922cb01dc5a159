// The names of the files every node shares in the data directory (the
// program's own directory). Sysops back them up, edit and replace them by
// these names, so they never change.
#pragma once

#include <string>

constexpr char kPlayerFile[] = "kordavin.ply";  // the players, one record each
constexpr char kConfigFile[] = "kordavin.cfg";  // the winner and the reroll day
constexpr char kNewsFile[] = "kordavin.msg";    // news waiting for its reader
constexpr char kDatFile[] = "kordavin.dat";     // the sysop's texts and name lists
// A caller's presence file is this prefix and his node number in decimal.
constexpr char kNodeFilePrefix[] = "kordavin.";

inline std::string NodeFileName(int node) { return kNodeFilePrefix + std::to_string(node); }

// The wake-up channel of a player on line (a FIFO, store/door_wake.h) is this
// prefix and his record number; the door removes it when he leaves.
constexpr char kWakeChannelPrefix[] = "kordavin.w";

inline std::string WakeChannelName(int player) {
  return kWakeChannelPrefix + std::to_string(player);
}
