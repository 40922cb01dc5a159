#include "store/presence_testing.h"

#include <fcntl.h>
#include <unistd.h>

#include <map>

#include "door/platform.h"

namespace {

std::map<std::string, int> held;

}  // namespace

void HoldPresence(const std::string& path) {
  ReleasePresence(path);
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(kLivenessByte);
  lock.l_len = 1;
  if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    close(fd);
    return;
  }
  held[path] = fd;
}

void ReleasePresence(const std::string& path) {
  const auto found = held.find(path);
  if (found == held.end()) return;
  close(found->second);
  held.erase(found);
}
