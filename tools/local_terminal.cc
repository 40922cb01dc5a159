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

namespace {

// Unicode for CP437 bytes 128..255.
constexpr uint16_t kHighHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::string ToUtf8(const unsigned char* bytes, ssize_t length) {
  std::string out;
  for (ssize_t i = 0; i < length; ++i) {
    unsigned char b = bytes[i];
    AppendUtf8(out, b < 0x80 ? b : kHighHalf[b - 0x80]);
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
