#include "league/outbound.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kBusyPauseMs = 100;

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

bool QueueFileFor(const std::string& outbound, int own_zone, const FtnAddress& to,
                  const std::string& path, int wait_ms, std::string& error) {
  const FlowPaths paths = FlowPathsFor(outbound, own_zone, to);
  if (!MakeDirs(paths.dir)) {
    error = "cannot make " + paths.dir + ": " + std::strerror(errno);
    return false;
  }
  int busy = -1;
  for (int waited = 0;; waited += kBusyPauseMs) {
    busy = open(paths.busy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (busy >= 0 || errno != EEXIST || waited >= wait_ms) break;
    usleep(kBusyPauseMs * 1000);
  }
  if (busy < 0) {
    error = errno == EEXIST ? paths.busy + " stays busy: the mailer is in a session with " +
                                  FtnAddressText(to) + "; run send again later"
                            : "cannot make " + paths.busy + ": " + std::strerror(errno);
    return false;
  }
  const std::string pid = std::to_string(getpid()) + "\n";
  if (write(busy, pid.data(), pid.size()) < 0) {
    // The flag works by its existence alone; the number is only for people.
  }
  close(busy);
  const bool queued = AppendLine(paths.flow, "^" + path + "\n");
  if (!queued) error = "cannot write " + paths.flow + ": " + std::strerror(errno);
  unlink(paths.busy.c_str());
  return queued;
}
