#include "sysop/nodes.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "door/session.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/presence.h"
#include "store/records.h"
#include "sysop/field_text.h"
#include "sysop/sysop.h"

namespace {

constexpr char kDoorProgram[] = "kordavin";
constexpr char kDeletedMark[] = " (deleted)";

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> EntriesOf(const std::string& dir) {
  std::vector<std::string> names;
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) return names;
  while (dirent* entry = readdir(listing)) names.emplace_back(entry->d_name);
  closedir(listing);
  return names;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The canonical form of a directory, so that links and "//" compare equal.
std::string Canonical(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return std::string();
  return resolved;
}

std::vector<std::string> CommandLineOf(const std::string& process_dir) {
  std::ifstream in(process_dir + "/cmdline", std::ios::binary);
  std::vector<std::string> words;
  std::string word;
  while (std::getline(in, word, '\0')) words.push_back(word);
  return words;
}

// The program file the process runs, or empty when it cannot be looked at.
std::string ProgramOf(const std::string& process_dir) {
  char target[PATH_MAX];
  const ssize_t length = readlink((process_dir + "/exe").c_str(), target, sizeof target - 1);
  if (length <= 0) return std::string();
  std::string program(target, static_cast<size_t>(length));
  // A door installed anew while a caller plays runs on from the old file.
  const std::string mark = kDeletedMark;
  if (program.size() > mark.size() && program.compare(program.size() - mark.size(), mark.size(),
                                                      mark) == 0) {
    program.resize(program.size() - mark.size());
  }
  return program;
}

// The node the door process runs on, or 0 when it is no door of dir.
int DoorNodeOf(const std::string& process_dir, const std::string& canonical_dir) {
  std::vector<std::string> words = CommandLineOf(process_dir);
  // The door's one switch may stand anywhere on its command line.
  words.erase(std::remove(words.begin(), words.end(), std::string(kRealNamesSwitch)), words.end());
  if (words.size() != 3) return 0;
  // The door reads its node number this way, so "03" is node 3 here too.
  const auto node = static_cast<int16_t>(static_cast<uint16_t>(TextToInt(words[2]) & 0xFFFF));
  if (node < 1) return 0;
  const std::string program = ProgramOf(process_dir);
  if (!program.empty()) {
    if (BaseName(program) != kDoorProgram) return 0;
    return Canonical(DirName(program)) == canonical_dir ? node : 0;
  }
  if (BaseName(words[0]) != kDoorProgram) return 0;
  if (words[0].front() != '/') return node;
  return Canonical(DirName(words[0])) == canonical_dir ? node : 0;
}

std::string NodeList(const std::set<int>& nodes) {
  std::string text;
  for (int node : nodes) text += (text.empty() ? "" : ", ") + std::to_string(node);
  return text;
}

}  // namespace

std::set<int> LiveDoorNodes(const std::string& dir, const std::string& proc_root) {
  std::set<int> nodes;
  const std::string canonical_dir = Canonical(dir);
  if (canonical_dir.empty()) return nodes;
  for (const std::string& entry : EntriesOf(proc_root)) {
    if (!AllDigits(entry) || entry == std::to_string(getpid())) continue;
    const int node = DoorNodeOf(proc_root + "/" + entry, canonical_dir);
    if (node > 0) nodes.insert(node);
  }
  return nodes;
}

std::vector<PresenceFile> FindPresenceFiles(const std::string& dir) {
  const std::string prefix = kNodeFilePrefix;
  std::vector<PresenceFile> files;
  for (const std::string& entry : EntriesOf(dir)) {
    if (entry.rfind(prefix, 0) != 0) continue;
    const std::string number = entry.substr(prefix.size());
    // The door names the file by its node in plain decimal; anything else
    // (a staging file, "kordavin.03") is none of its presence files.
    if (!AllDigits(number) || number[0] == '0' || number.size() > 5) continue;
    PresenceFile file;
    file.node = TextToInt(number);
    if (file.node > 32767) continue;
    file.file = entry;
    const NodePresence presence = LookAtPresence(dir + entry, file.live);
    file.name = presence.Node.Name;
    file.player_number = presence.PlayerNumber;
    files.push_back(file);
  }
  std::sort(files.begin(), files.end(),
            [](const PresenceFile& a, const PresenceFile& b) { return a.node < b.node; });
  return files;
}

int RefuseWhileCallersOn(const SysopRequest& request, SysopIo& io) {
  if (request.force) return kSysopOk;
  const std::set<int> busy = LiveDoorNodes(request.dir, io.proc_root);
  if (busy.empty()) return kSysopOk;
  io.err << "kordavin-sysop: a caller is playing on node " << NodeList(busy)
         << "; nothing changed (use --force to change files anyway)\n";
  return kSysopRefused;
}

int NodesCommand(const SysopRequest& request, SysopIo& io) {
  if (request.clean) {
    const int guard = RefuseWhileCallersOn(request, io);
    if (guard != kSysopOk) return guard;
  }
  const std::vector<PresenceFile> files = FindPresenceFiles(request.dir);
  io.out << "node\tname\tstate\n";
  for (const PresenceFile& file : files) {
    io.out << file.node << '\t' << FieldText(file.name) << '\t' << (file.live ? "live" : "stale")
           << '\n';
  }
  if (!request.clean) return kSysopOk;
  int result = kSysopOk;
  for (const PresenceFile& file : files) {
    if (file.live) continue;
    if (std::remove((request.dir + file.file).c_str()) == 0) {
      io.out << "removed " << file.file << '\n';
    } else {
      io.err << "kordavin-sysop: cannot remove " << request.dir << file.file << "\n";
      result = kSysopRefused;
    }
  }
  return result;
}
