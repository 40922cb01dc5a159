#include "door/patient_send.h"

#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cerrno>

#include "door/terminal.h"

namespace {

// How often a wait looks at what the line has taken.
constexpr int kLookEveryMs = 1000;

// The caller's line as the sends have found it. On a socket the kernel tells
// how much of what the door sent the caller has not taken yet, and a socket's
// buffers hold megabytes: every screen a caller typed ahead for fits in them,
// so the door would wait for his next key with nothing left to send and learn
// nothing until the idle limit. Progress there is the queue going down, not
// bytes going in. A terminal or a pipe holds little; a write that moves
// bytes is the line taking them.
struct Line {
  int fd = -1;
  bool tells_queue = false;
  int64_t queued = 0;        // bytes waiting in the kernel at the last look
  int64_t last_taken_ms = -1;  // when the line last took a byte, across sends
} line;

bool IsSocket(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode);
}

void UseLine(int fd) {
  if (fd == line.fd) return;
  line = Line{};
  line.fd = fd;
  line.tells_queue = IsSocket(fd);
}

// Notes whatever the line has taken since the last look.
void LookAtLine(int64_t now) {
  if (line.last_taken_ms < 0) line.last_taken_ms = now;
  if (!line.tells_queue) return;
  int waiting = 0;
  if (ioctl(line.fd, SIOCOUTQ, &waiting) != 0) return;
  if (waiting == 0 || waiting < line.queued) line.last_taken_ms = now;
  line.queued = waiting;
}

}  // namespace

int64_t LineClockMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

ssize_t SendToSocketNow(int fd, const char* data, size_t length) {
  return send(fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool SendPatiently(int fd, const char* data, size_t length, TrySend try_send) {
  UseLine(fd);
  LookAtLine(LineClockMs());
  while (length > 0) {
    if (CallerGone()) return false;
    const ssize_t sent = try_send(fd, data, length);
    if (sent > 0) {
      data += sent;
      length -= static_cast<size_t>(sent);
      if (line.tells_queue) {
        line.queued += sent;
      } else {
        line.last_taken_ms = LineClockMs();
      }
      continue;
    }
    if (sent == 0) return false;
    // EINTR: a blocking write broken off by its timer, or a signal.
    const int error = errno;
    if (error != EAGAIN && error != EWOULDBLOCK && error != EINTR) return false;
    const int64_t now = LineClockMs();
    LookAtLine(now);
    const int64_t left = line.last_taken_ms + kSendPatienceMs - now;
    if (left <= 0) return false;
    if (error == EINTR) continue;
    pollfd watch{fd, POLLOUT, 0};
    const int wait = static_cast<int>(std::min<int64_t>(left, kLookEveryMs));
    if (poll(&watch, 1, wait) < 0 && errno != EINTR) return false;
  }
  return true;
}

bool LineHasStalled() {
  if (line.fd < 0 || !line.tells_queue) return false;
  const int64_t now = LineClockMs();
  LookAtLine(now);
  return line.queued > 0 && now - line.last_taken_ms >= kSendPatienceMs;
}

int KeyWaitMs(int timeout_ms) {
  const bool watching = line.tells_queue && line.queued > 0;
  return watching ? std::min(timeout_ms, kLookEveryMs) : timeout_ms;
}

void ForgetLineStall() { line = Line{}; }
