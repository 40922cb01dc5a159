#include "league/outbound.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

namespace {

std::string Hex(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", digits, static_cast<unsigned>(value));
  return text;
}

bool MakeDirs(const std::string& path) {
  for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

bool AppendLine(const std::string& path, const std::string& line) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  return close(fd) == 0 && written;
}

// The files a flow file names still to be sent, whatever their prefix; a
// line the mailer marked done ("~") is not among them.
std::set<std::string> ListedPaths(const std::string& flow) {
  std::set<std::string> paths;
  std::ifstream in(flow);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && (line[0] == '^' || line[0] == '#' || line[0] == '@')) line.erase(0, 1);
    if (!line.empty() && line[0] == '/') paths.insert(line);
  }
  return paths;
}

}  // namespace

FlowPaths FlowPathsFor(const std::string& outbound, int own_zone, const FtnAddress& to) {
  std::string base = outbound;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (to.zone != own_zone) base += "." + Hex(to.zone, 3);
  const std::string net_node = Hex(to.net, 4) + Hex(to.node, 4);
  FlowPaths paths;
  if (to.point == 0) {
    paths.dir = base;
    paths.flow = base + "/" + net_node + ".flo";
    paths.busy = base + "/" + net_node + ".bsy";
  } else {
    paths.dir = base + "/" + net_node + ".pnt";
    paths.flow = paths.dir + "/" + Hex(to.point, 8) + ".flo";
    paths.busy = paths.dir + "/" + Hex(to.point, 8) + ".bsy";
  }
  return paths;
}

Queued QueueFilesFor(const std::string& outbound, int own_zone, const FtnAddress& to,
                     const std::vector<std::string>& paths, std::string& error) {
  const FlowPaths flow = FlowPathsFor(outbound, own_zone, to);
  if (access(flow.dir.c_str(), F_OK) != 0 && !MakeDirs(flow.dir)) {
    error = "cannot make " + flow.dir + ": " + std::strerror(errno);
    return Queued::kFailed;
  }
  const int busy = open(flow.busy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (busy < 0 && errno == EEXIST) return Queued::kBusy;
  if (busy < 0) {
    error = "cannot make " + flow.busy + ": " + std::strerror(errno);
    return Queued::kFailed;
  }
  const std::string pid = std::to_string(getpid()) + "\n";
  if (write(busy, pid.data(), pid.size()) < 0) {
    // The flag works by its existence alone; the number is only for people.
  }
  close(busy);
  const std::set<std::string> listed = ListedPaths(flow.flow);
  std::string lines;
  for (const std::string& path : paths) {
    if (listed.count(path) == 0) lines += path + "\n";
  }
  const bool queued = lines.empty() || AppendLine(flow.flow, lines);
  if (!queued) error = "cannot write " + flow.flow + ": " + std::strerror(errno);
  unlink(flow.busy.c_str());
  return queued ? Queued::kDone : Queued::kFailed;
}
