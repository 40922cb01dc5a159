// The coordinator's relay: each member's standings go to the coordinator
// alone, and the coordinator passes them on to every other member as they
// came, signed by the board they are from, so that a board needs one mailer
// link and the coordinator can alter nothing it passes on.
#include "league/relay.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "league/exchange.h"
#include "league/outbound.h"

namespace {

std::string HeldPath(const std::string& dir, int board) {
  return dir + kHeldDir + "/" + std::to_string(board) + kScoreExtension;
}

bool WriteFileAt(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && written;
}

bool ListedIn(const std::string& list, int board) {
  return ("," + list + ",").find("," + std::to_string(board) + ",") != std::string::npos;
}

bool HoldPacket(const std::string& dir, int board, const std::string& bytes) {
  mkdir((dir + kHeldDir).c_str(), 0755);
  const std::string path = HeldPath(dir, board);
  return WriteFileAt(path + ".new", bytes) && rename((path + ".new").c_str(), path.c_str()) == 0;
}

bool ReadHeldPacket(const std::string& dir, int board, std::string& name, std::string& bytes) {
  std::ifstream in(HeldPath(dir, board), std::ios::binary);
  std::ostringstream read;
  read << in.rdbuf();
  bytes = read.str();
  ScorePacket packet;
  if (!in || DecodeScorePacket(bytes, packet) != PacketFault::kNone) return false;
  name = LeagueFileName(packet.league, packet.board, packet.sequence, kScoreExtension);
  return true;
}

}  // namespace

bool QueueFor(const std::string& dir, const LeagueSettings& settings,
              const std::vector<LeagueMember>& boards, const std::string& name,
              const std::string& bytes, std::ostream& out, std::string& error) {
  FtnAddress own;
  ParseFtnAddress(settings.address, own);
  // The mailer reads the flow file from its own directory: the path in it
  // must be absolute whatever directory the tool was given.
  char absolute[PATH_MAX];
  if (realpath(dir.c_str(), absolute) == nullptr) {
    error = "cannot find " + dir + ": " + std::strerror(errno);
    return false;
  }
  const std::string spool_root = std::string(absolute) + "/" + kSpoolDir;
  mkdir(spool_root.c_str(), 0755);
  bool all = true;
  // One copy on disk however many boards it goes to: the mailer's delete
  // after sending takes one name of it.
  std::string first;
  for (const LeagueMember& member : boards) {
    FtnAddress to;
    const std::string spool = spool_root + "/" + std::to_string(member.board);
    mkdir(spool.c_str(), 0755);
    const std::string path = spool + "/" + name;
    std::string why;
    if (!ParseFtnAddress(member.address, to)) {
      why = "bad address " + member.address;
    } else if ((first.empty() || link(first.c_str(), path.c_str()) != 0) && !WriteFileAt(path, bytes)) {
      why = "cannot write " + path + ": " + std::strerror(errno);
    } else if (!QueueFileFor(settings.outbound, own.zone, to, path, kBusyWaitMs, why)) {
      unlink(path.c_str());
    }
    if (why.empty()) {
      if (first.empty()) first = path;
      out << "queued " << name << " for board " << int{member.board} << " (" << member.address
          << ")\n";
    } else {
      error = why;
      all = false;
    }
  }
  return all;
}

// Where this board's standings go: every member from the coordinator, the
// coordinator alone from a member, who passes them on.
std::vector<LeagueMember> Destinations(const LeagueSettings& settings) {
  std::vector<LeagueMember> boards;
  for (const LeagueMember& member : settings.members) {
    if (member.board == settings.board) continue;
    if (settings.board == settings.coordinator || member.board == settings.coordinator) {
      boards.push_back(member);
    }
  }
  std::sort(boards.begin(), boards.end(),
            [](const LeagueMember& a, const LeagueMember& b) { return a.board < b.board; });
  return boards;
}

// A board the coordinator has not sent to before has none of the others'
// standings yet: the latest of each goes to it as it came.
bool PassOnHeldTo(const std::string& dir, const LeagueSettings& settings,
                  const std::vector<LeagueMember>& boards, std::ostream& out, std::string& error) {
  bool all = true;
  for (const LeagueMember& to : boards) {
    if (ListedIn(settings.sent_to, to.board)) continue;
    for (const LeagueMember& from : settings.members) {
      if (from.board == to.board || from.board == settings.board) continue;
      std::string name, bytes;
      if (ReadHeldPacket(dir, from.board, name, bytes)) {
        all = QueueFor(dir, settings, {to}, name, bytes, out, error) && all;
      }
    }
  }
  return all;
}

bool PassOn(const std::string& dir, const LeagueSettings& settings, const ScorePacket& packet,
            const std::string& bytes, std::ostream& out, std::string& error) {
  std::vector<LeagueMember> boards;
  for (const LeagueMember& member : settings.members) {
    if (member.board != settings.board && member.board != packet.board) boards.push_back(member);
  }
  const std::string name = LeagueFileName(packet.league, packet.board, packet.sequence,
                                          kScoreExtension);
  const bool held = HoldPacket(dir, packet.board, bytes);
  if (!held) error = "cannot keep " + HeldPath(dir, packet.board);
  return QueueFor(dir, settings, boards, name, bytes, out, error) && held;
}
