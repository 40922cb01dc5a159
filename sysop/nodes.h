// Who is on: the presence files of the data directory, live while a
// session holds them, and the door processes that really run on those nodes.
#pragma once

#include <set>
#include <string>
#include <vector>

struct PresenceFile {
  int node = 0;
  std::string file;  // "kordavin.<node>"
  std::string name;  // the pimp name stored in it
  int player_number = 0;  // the player's record number, 0 = unknown
  bool live = false; // a session holds the file's liveness lock
};

// Nodes on which a door process whose program file lies in dir is running,
// found under proc_root ("/proc"). A process whose program file cannot be
// looked at (another user's) counts when its command line names the door:
// better to refuse a change than to pull a file out from under a caller.
std::set<int> LiveDoorNodes(const std::string& dir, const std::string& proc_root);

// The presence files of dir, by node number.
std::vector<PresenceFile> FindPresenceFiles(const std::string& dir);
