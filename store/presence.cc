// The presence file of this node, held open and locked from start-up to the
// end of the session, and the ending of older sessions at start-up.
#include "store/presence.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "door/platform.h"
#include "door/session.h"
#include "door/terminal.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/door_wake.h"
#include "store/files.h"
#include "store/state.h"

namespace {

// An older session gets this long to go by itself after SIGTERM (it is at a
// key wait or a lock wait, and goes at once), then this long after SIGKILL.
constexpr int kTermPatienceMs = 3000;
constexpr int kKillPatienceMs = 2000;
constexpr int kLetGoPollMs = 20;
constexpr int kMaxNode = 32767;

// The open presence file of this session; its lock lives as long as it.
int presence_fd = -1;

std::string OwnPresencePath() { return DataPath(NodeFileName(DoorSession.Node)); }

bool SameFile(int fd, const std::string& path) {
  struct stat held {};
  struct stat named {};
  if (fstat(fd, &held) != 0 || stat(path.c_str(), &named) != 0) return false;
  return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

int OpenPresence(const std::string& path, int flags) {
  int fd;
  do {
    fd = open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool WaitUntilLetGo(int fd, int patience_ms) {
  for (int waited = 0;; waited += kLetGoPollMs) {
    if (!PresenceIsLive(fd)) return true;
    if (waited >= patience_ms) return false;
    Host.SleepMs(kLetGoPollMs);
  }
}

// The process id is taken from the file only while its lock is held, so a
// file left behind by a session long gone never leads to a stranger's pid.
void EndHolder(int fd) {
  NodePresence presence;
  if (!PresenceIsLive(fd) || !ReadPresence(fd, presence)) return;
  const uint32_t pid = presence.SessionPid;
  if (pid <= 1 || pid > INT_MAX || static_cast<pid_t>(pid) == getpid()) return;
  kill(static_cast<pid_t>(pid), SIGTERM);
  if (WaitUntilLetGo(fd, kTermPatienceMs)) return;
  if (PresenceIsLive(fd)) kill(static_cast<pid_t>(pid), SIGKILL);
  WaitUntilLetGo(fd, kKillPatienceMs);
}

void EndSameNodeOrphan() {
  const int fd = OpenPresence(OwnPresencePath(), O_RDONLY);
  if (fd < 0) return;
  EndHolder(fd);
  close(fd);
}

void EndSamePlayerElsewhere(std::string_view name, int32_t player_number) {
  for (int node : PresenceNodes()) {
    if (node == DoorSession.Node) continue;
    const int fd = OpenPresence(DataPath(NodeFileName(node)), O_RDONLY);
    if (fd < 0) continue;
    NodePresence presence;
    if (ReadPresence(fd, presence) && presence.Node.Name == name &&
        presence.PlayerNumber == player_number) {
      EndHolder(fd);
    }
    close(fd);
  }
}

struct flock LivenessByte() {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(kLivenessByte);
  lock.l_len = 1;
  return lock;
}

void HoldLiveness(int fd) {
  struct flock lock = LivenessByte();
  // A file system without such locks leaves the session unlisted; the game
  // itself goes on.
  fcntl(fd, F_OFD_SETLK, &lock);
}

// Opens this node's presence file for the session. The file may have been
// erased by an older session just before it was ended; a file that is no
// longer the one at the path is let go and the path opened again.
int ClaimPresence() {
  const std::string path = OwnPresencePath();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = OpenPresence(path, O_RDWR | O_CREAT);
    if (fd < 0) return -1;
    EndHolder(fd);
    if (SameFile(fd, path)) return fd;
    close(fd);
  }
  return -1;
}

// The turn is a lock on a byte of the player file past every record lock
// and the turnstile, so it never meets an operation on the records. The
// file exists by the time a caller arrives.
constexpr off_t kArrivalByte = static_cast<off_t>(kRecordLockSpan + 2);
constexpr int kArrivalPollMs = 10;
// Longer than any one turn can take (ending two older sessions at their
// slowest); a turn that is never given is then gone without, not waited for.
constexpr int kArrivalPatienceMs = 15000;

struct flock ArrivalByte(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = kArrivalByte;
  lock.l_len = 1;
  return lock;
}

int TakeArrivalTurn() {
  const int fd = OpenPresence(DataPath(kPlayerFile), O_RDWR);
  if (fd < 0) return -1;
  for (int waited = 0; waited < kArrivalPatienceMs; waited += kArrivalPollMs) {
    struct flock lock = ArrivalByte(F_WRLCK);
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return fd;
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) break;
    Host.SleepMs(kArrivalPollMs);
  }
  return fd;
}

}  // namespace

bool ReadPresence(int fd, NodePresence& presence) {
  NodeFileBytes bytes{};
  if (pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) return false;
  presence = DecodePresence(bytes.data());
  return true;
}

std::vector<int> PresenceNodes() {
  std::vector<int> nodes;
  DIR* listing = opendir(DoorSession.ProgramDir.empty() ? "." : DoorSession.ProgramDir.c_str());
  if (listing == nullptr) return nodes;
  const std::string prefix = kNodeFilePrefix;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string number = name.substr(prefix.size());
    if (number.empty() || number.size() > 5 || number[0] == '0') continue;
    if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      continue;
    }
    const int node = TextToInt(number);
    if (node >= 1 && node <= kMaxNode) nodes.push_back(node);
  }
  closedir(listing);
  std::sort(nodes.begin(), nodes.end());
  return nodes;
}

NodeFileBytes EncodePresence(const NodePresence& presence) {
  NodeFileBytes out{};
  const NodeBytes node = EncodeNode(presence.Node);
  std::copy(node.begin(), node.end(), out.begin());
  for (size_t i = 0; i < 4; ++i) {
    out[kNodeSessionPidAt + i] = static_cast<uint8_t>(presence.SessionPid >> (8 * i));
  }
  const auto number = static_cast<uint16_t>(presence.PlayerNumber);
  out[kNodePlayerNumberAt] = static_cast<uint8_t>(number & 0xFF);
  out[kNodePlayerNumberAt + 1] = static_cast<uint8_t>(number >> 8);
  return out;
}

NodePresence DecodePresence(const uint8_t* bytes) {
  NodePresence presence;
  presence.Node = DecodeNode(bytes);
  for (size_t i = 0; i < 4; ++i) {
    presence.SessionPid |= static_cast<uint32_t>(bytes[kNodeSessionPidAt + i]) << (8 * i);
  }
  presence.PlayerNumber = bytes[kNodePlayerNumberAt] | (bytes[kNodePlayerNumberAt + 1] << 8);
  return presence;
}

bool PresenceIsLive(int fd) {
  struct flock probe = LivenessByte();
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
  return probe.l_type != F_UNLCK;
}

bool ReadLivePresence(int node, NodeRecord& record) {
  if (node < 1) return false;
  RecordFile file;
  if (!OpenRecordFile(file, NodeFileName(node), kNodeRecordSize, kModeShared)) return false;
  const bool live = PresenceIsLive(file.fd) && RecordCount(file) >= 1;
  NodeBytes bytes{};
  if (live) ReadRecord(file, bytes.data());
  record = DecodeNode(bytes.data());
  return live;
}

NodePresence LookAtPresence(const std::string& path, bool& live) {
  NodePresence presence;
  live = false;
  const int fd = OpenPresence(path, O_RDONLY);
  if (fd < 0) return presence;
  NodeFileBytes bytes{};
  ssize_t got;
  do {
    got = pread(fd, bytes.data(), bytes.size(), 0);
  } while (got < 0 && errno == EINTR);
  // The door's own test: its session holds the file locked for as long as it
  // lives, so a hung or killed process is told from a caller at play.
  live = PresenceIsLive(fd);
  close(fd);
  return DecodePresence(bytes.data());
}

void EndOlderSessions(std::string_view name, int32_t player_number) {
  EndSameNodeOrphan();
  EndSamePlayerElsewhere(name, player_number);
}

void ArriveOnNode(std::string_view name, int32_t player_number) {
  const int turn = TakeArrivalTurn();
  EndOlderSessions(name, player_number);
  WriteNodeRecord(0, "");
  OpenOwnWakeChannel();
  // Closing the file gives the turn to the next node.
  if (turn >= 0) close(turn);
}

void WriteNodeRecord(uint8_t page_flag, std::string_view message) {
  if (presence_fd >= 0 && !SameFile(presence_fd, OwnPresencePath())) {
    close(presence_fd);
    presence_fd = -1;
  }
  if (presence_fd < 0) presence_fd = ClaimPresence();
  // The presence file is only a courtesy to the other callers, so a failure
  // here does not stop the game.
  if (presence_fd < 0) return;
  NodePresence presence;
  presence.Node = NodeRecord{CutText(GameSession.Player.Name, kNameCapacity), page_flag,
                             CutText(message, kNodeMessageCapacity)};
  presence.SessionPid = static_cast<uint32_t>(getpid());
  presence.PlayerNumber = GameSession.PlayerNumber;
  const NodeFileBytes block = EncodePresence(presence);
  // Written whole before the lock is taken: no node lists a session whose
  // name is not yet in the file.
  {
    const HangupHold hold;
    while (pwrite(presence_fd, block.data(), block.size(), 0) < 0 && errno == EINTR) {
    }
    while (ftruncate(presence_fd, static_cast<off_t>(block.size())) != 0 && errno == EINTR) {
    }
  }
  HoldLiveness(presence_fd);
}

void EraseNodeRecord() {
  CloseOwnWakeChannel();
  const std::string path = OwnPresencePath();
  if (presence_fd >= 0 && SameFile(presence_fd, path)) {
    unlink(path.c_str());
    return;
  }
  // Not ours: a file left behind goes, a newer session's stays.
  const int fd = OpenPresence(path, O_RDONLY);
  if (fd < 0) return;
  const bool live = PresenceIsLive(fd);
  close(fd);
  if (!live) unlink(path.c_str());
}
