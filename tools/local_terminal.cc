// Runs the door in a pseudo-terminal inside the user's own UTF-8 terminal and
// shows its CP437 output as UTF-8, the way a BBS translates for callers whose
// terminals are not CP437. The door itself keeps sending CP437.
//   kordavin-terminal <program> <arguments...>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "sysop/cp437.h"

namespace {

std::string ToUtf8(const unsigned char* bytes, ssize_t length) {
  std::string out;
  for (ssize_t i = 0; i < length; ++i) {
    unsigned char b = bytes[i];
    AppendUtf8(out, b < 0x80 ? b : Cp437ToUnicode(b));
  }
  return out;
}

bool WriteAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    ssize_t n = write(fd, data, length);
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

termios saved{};
bool raw = false;

void Restore() {
  if (raw) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <program> [arguments...]\n", argv[0]);
    return 2;
  }
  winsize size{25, 80, 0, 0};
  ioctl(STDIN_FILENO, TIOCGWINSZ, &size);
  int master = -1;
  pid_t child = forkpty(&master, nullptr, nullptr, &size);
  if (child < 0) return 2;
  if (child == 0) {
    execv(argv[1], argv + 1);
    _exit(127);
  }
  if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0) {
    termios mode = saved;
    cfmakeraw(&mode);
    tcsetattr(STDIN_FILENO, TCSANOW, &mode);
    raw = true;
  }
  signal(SIGPIPE, SIG_IGN);
  pollfd watch[2] = {{STDIN_FILENO, POLLIN, 0}, {master, POLLIN, 0}};
  unsigned char buffer[4096];
  for (;;) {
    if (poll(watch, 2, -1) < 0) continue;
    if (watch[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t got = read(master, buffer, sizeof buffer);
      if (got <= 0) break;
      std::string text = ToUtf8(buffer, got);
      if (!WriteAll(STDOUT_FILENO, text.data(), text.size())) break;
    }
    if (watch[0].revents & (POLLIN | POLLHUP)) {
      ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
      if (got <= 0) break;
      WriteAll(master, reinterpret_cast<char*>(buffer), static_cast<size_t>(got));
    }
  }
  Restore();
  close(master);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
