#include "league/held.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "league/file_names.h"
#include "league/packet.h"

namespace {

std::string HeldRoot(const std::string& dir) {
  char absolute[PATH_MAX];
  const std::string held = dir + kHeldDir;
  return realpath(held.c_str(), absolute) == nullptr ? "" : absolute;
}

std::vector<std::string> Names(const std::string& root) {
  std::vector<std::string> names;
  DIR* listing = opendir(root.c_str());
  if (listing == nullptr) return names;
  while (const dirent* entry = readdir(listing)) names.emplace_back(entry->d_name);
  closedir(listing);
  return names;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream read;
  read << in.rdbuf();
  bytes = read.str();
  return static_cast<bool>(in);
}

bool WriteFileAt(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && written;
}

// The release before kept "<board>.kdl": it gets the name it is sent by.
void RenameFormerLayout(const std::string& root, const std::string& name) {
  const std::string path = root + "/" + name;
  std::string bytes;
  ScorePacket packet;
  if (!ReadFile(path, bytes) || DecodeScorePacket(bytes, packet) != PacketFault::kNone) return;
  const std::string sent = LeagueFileName(packet.league, packet.board, packet.sequence, kScoreExtension);
  if (rename(path.c_str(), (root + "/" + sent).c_str()) != 0) {
    // Left as it is: the next run tries again.
  }
}

bool FormerLayout(const std::string& name) {
  const size_t dot = name.find('.');
  return dot != std::string::npos && dot > 0 && name.substr(dot) == kScoreExtension &&
         name.find_first_not_of("0123456789") == dot;
}

}  // namespace

std::vector<HeldFile> ListHeld(const std::string& dir) {
  const std::string root = HeldRoot(dir);
  if (root.empty()) return {};
  std::map<std::pair<std::string, int>, HeldFile> latest;
  for (const std::string& name : Names(root)) {
    if (FormerLayout(name)) RenameFormerLayout(root, name);
  }
  for (const std::string& name : Names(root)) {
    LeagueFileId id;
    if (!ParseLeagueFileName(name, id)) continue;
    HeldFile& file = latest[{id.extension, id.board}];
    if (file.sequence >= id.sequence) continue;
    file = HeldFile{id.board, id.sequence, id.extension, root + "/" + name};
  }
  std::vector<HeldFile> held;
  for (auto& [kind, file] : latest) held.push_back(std::move(file));
  return held;
}

const HeldFile* FindHeld(const std::vector<HeldFile>& held, const char* extension, int board) {
  for (const HeldFile& file : held) {
    if (file.board == board && file.extension == extension) return &file;
  }
  return nullptr;
}

bool Hold(const std::string& dir, const std::string& name, const std::string& bytes,
          std::vector<HeldFile>& held, std::string& error, const std::string& came_in) {
  mkdir((dir + kHeldDir).c_str(), 0755);
  const std::string root = HeldRoot(dir);
  const std::string path = root + "/" + name;
  LeagueFileId id;
  const bool moved = !root.empty() && !came_in.empty() && rename(came_in.c_str(), path.c_str()) == 0;
  if (root.empty() || !ParseLeagueFileName(name, id) ||
      (!moved && (!WriteFileAt(path + ".new", bytes) ||
                  rename((path + ".new").c_str(), path.c_str()) != 0))) {
    error = "cannot keep " + dir + kHeldDir + "/" + name + ": " + std::strerror(errno);
    return false;
  }
  const HeldFile kept{id.board, id.sequence, id.extension, path};
  for (HeldFile& file : held) {
    if (file.board != id.board || file.extension != id.extension) continue;
    if (file.path != path) unlink(file.path.c_str());
    file = kept;
    return true;
  }
  held.push_back(kept);
  return true;
}

bool ReadHeld(const HeldFile& file, std::string& bytes) {
  return ReadFile(file.path, bytes) && bytes.size() <= kMaxPacketBytes;
}

void DropHeld(const std::string& dir, const char* extension) {
  const std::string root = HeldRoot(dir);
  if (root.empty()) return;
  for (const std::string& name : Names(root)) {
    LeagueFileId id;
    if (ParseLeagueFileName(name, id) && id.extension == extension) unlink((root + "/" + name).c_str());
  }
}
