#include "door/wake_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Kept in fixed storage, so that the hang-up handler can remove the name
// without calling anything that is not async-signal-safe.
constexpr size_t kMostPath = 4096;
char channel_path[kMostPath] = {};
int channel = -1;
// The FIFO this process made; a path naming another file is not ours.
dev_t channel_device = 0;
ino_t channel_inode = 0;

bool PathIsOurs() {
  struct stat named {};
  return channel >= 0 && stat(channel_path, &named) == 0 && named.st_dev == channel_device &&
         named.st_ino == channel_inode;
}

void TakeWakeUps() {
  char drained[64];
  while (read(channel, drained, sizeof drained) > 0) {
  }
}

}  // namespace

bool OpenWakeChannel(const char* path) {
  CloseWakeChannel();
  if (std::strlen(path) >= kMostPath) return false;
  // Whatever is there was left by a session that ended without removing it:
  // an older session of this caller has let go before this one arrives.
  unlink(path);
  if (mkfifo(path, 0666) != 0) return false;
  // Open for writing too, so the channel never reads as closed and a sender
  // never finds it without a reader while this process lives.
  const int fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  struct stat made {};
  if (fd < 0 || fstat(fd, &made) != 0 || !S_ISFIFO(made.st_mode)) {
    if (fd >= 0) close(fd);
    unlink(path);
    return false;
  }
  std::strcpy(channel_path, path);
  channel = fd;
  channel_device = made.st_dev;
  channel_inode = made.st_ino;
  return true;
}

void RemoveWakeChannelName() {
  if (PathIsOurs()) unlink(channel_path);
}

void CloseWakeChannel() {
  if (channel < 0) return;
  RemoveWakeChannelName();
  close(channel);
  channel = -1;
}

void WakeChannelAt(const char* path) {
  // Without a reader the open fails at once (ENXIO); a regular file or a
  // link put at the path is never written to.
  const int fd = open(path, O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  // A full channel already has a wake-up waiting: the write's EAGAIN is fine.
  if (fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode)) {
    const ssize_t ignored = write(fd, "!", 1);
    (void)ignored;
  }
  close(fd);
}

int PollLineOrWake(int line_fd, int timeout_ms, bool& woken) {
  // poll passes over a negative descriptor: without a channel it watches the line alone.
  pollfd watch[2] = {{line_fd, POLLIN, 0}, {channel, POLLIN, 0}};
  const int ready = poll(watch, 2, timeout_ms);
  woken = ready > 0 && watch[0].revents == 0 && watch[1].revents != 0;
  if (woken) TakeWakeUps();
  return ready;
}
