// One live session per node and per player. A session holds a lock on its
// presence file kordavin.<node> for its whole life; the kernel drops it when
// the process dies, so a live session and a file left behind by a dead one
// are told apart without guessing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/records.h"

struct NodePresence {
  NodeRecord Node;
  uint32_t SessionPid = 0;   // the door process holding the file
  int32_t PlayerNumber = 0;  // its player's record number, 0 = unknown
};

using NodeFileBytes = std::array<uint8_t, kNodeFileSize>;

NodeFileBytes EncodePresence(const NodePresence& presence);
NodePresence DecodePresence(const uint8_t* bytes);
// The whole presence record of the open file fd; false when it is short.
bool ReadPresence(int fd, NodePresence& presence);

// Node numbers of the presence files in the data directory, live or left
// behind, in node order: a board may run any number of nodes.
std::vector<int> PresenceNodes();

// True when an open file other than fd holds the presence file's liveness
// lock, that is when a session is on that node right now.
bool PresenceIsLive(int fd);

// Ends the sessions that must not run beside this caller's: one of the same
// player live on another node, and any live one on this node (an orphan the
// BBS failed to end). Returns once they have let go of their presence files,
// so a record loaded afterwards holds everything they stored.
void EndOlderSessions(std::string_view name, int32_t player_number);

// EndOlderSessions and then this node's presence file written and held and
// the caller's wake-up channel opened (store/door_wake.h), as one turn among
// all nodes: two sessions of one player starting in the same
// instant would otherwise each look before the other is there, and both
// play. The later one in turn finds the earlier and ends it.
void ArriveOnNode(std::string_view name, int32_t player_number);

// The presence record of node when a session is live there. A file no
// session holds was left behind by a caller who is gone: he is not on the
// streets, and a page to him would never be read.
bool ReadLivePresence(int node, NodeRecord& record);

// The presence file at path as it is, for the sysop tool's list: what it
// holds (zeros where it is short or missing), and in live whether a session
// holds it now. Opened for reading only, and never locked.
NodePresence LookAtPresence(const std::string& path, bool& live);

// Writes this node's presence record (the caller's pimp name, a page flag and
// message) and holds its liveness lock from then on.
void WriteNodeRecord(uint8_t page_flag, std::string_view message);
// Removes this node's presence file when it is ours or left behind.
void EraseNodeRecord();
