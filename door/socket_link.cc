#include "door/socket_link.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "door/patient_send.h"
#include "door/platform.h"
#include "door/session_record.h"
#include "door/telnet.h"
#include "door/terminal.h"
#include "door/text.h"
#include "door/wake_channel.h"

namespace {

int caller = -1;
// False on a board's passthru socket, where every byte is the caller's as it
// stands: the board speaks telnet to the client itself.
bool speaks_telnet = true;
TelnetDecoder telnet;
std::string received;  // the caller's bytes with the telnet commands taken out
size_t received_next = 0;
std::string escaped;   // one operation's output with its 255s doubled

// Any stream socket but a listening one is a line to someone. One the caller
// reset before the door started has no peer any more, and is still his line:
// the first read finds the reset, and the door ends as on any hang-up instead
// of waiting on a standard I/O nobody is at.
bool IsCallersStreamSocket(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode)) return false;
  int type = 0;
  socklen_t size = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0 || type != SOCK_STREAM) return false;
  int listening = 0;
  size = sizeof listening;
  return getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening == 0;
}

// Synchronet hands a native socket door its own loopback passthru socket, not
// the client's: it has taken the telnet commands out of what the caller types
// and doubles the 255s the door sends. Decoding again would take a typed 255
// for a command, and escaping again would show the caller two.
bool BoardSpeaksTelnetForTheDoor() {
  constexpr std::string_view kSynchronet = "SYNCHRONET";
  return UpperText(DoorSession.BbsName).rfind(kSynchronet, 0) == 0;
}

bool StandardInputReachesCaller() {
  struct stat info {};
  if (fstat(STDIN_FILENO, &info) != 0) return false;
  return isatty(STDIN_FILENO) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode);
}

// Takes what the socket holds; false once the caller has gone (end of
// stream, a reset, or any other failure).
bool Receive() {
  unsigned char buffer[512];
  const ssize_t got = recv(caller, buffer, sizeof buffer, MSG_DONTWAIT);
  if (got > 0) {
    if (speaks_telnet) {
      DecodeTelnet(telnet, buffer, static_cast<size_t>(got), received);
    } else {
      received.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(got));
    }
    return true;
  }
  return got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK);
}

int SocketReadByte(int timeout_ms) {
  const int64_t deadline = LineClockMs() + (timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    if (received_next < received.size()) {
      return static_cast<unsigned char>(received[received_next++]);
    }
    received.clear();
    received_next = 0;
    // A caller who has stopped reading is gone, whatever keys he typed ahead.
    if (LineHasStalled()) return kHungUp;
    const int64_t left = deadline - LineClockMs();
    bool woken = false;
    const int ready =
        PollLineOrWake(caller, KeyWaitMs(left > 0 ? static_cast<int>(left) : 0), woken);
    if (ready == 0) return LineHasStalled() ? kHungUp : kNoByte;
    if (ready < 0) return errno == EINTR ? kNoByte : kHungUp;
    if (woken) return kWoken;
    if (!Receive()) return kHungUp;
    // Telnet commands alone are no key; a client that sends nothing else
    // must not keep the door from looking at its limits.
    if (received.empty() && LineClockMs() >= deadline) return kNoByte;
  }
}

bool SendAll(const char* data, size_t length) {
  return SendPatiently(caller, data, length, SendToSocketNow);
}

bool SocketWriteBytes(const char* data, size_t length) {
  if (!speaks_telnet) return SendAll(data, length);
  escaped.clear();
  EscapeTelnet(std::string_view(data, length), escaped);
  return SendAll(escaped.data(), escaped.size());
}

}  // namespace

bool OpenCallerHandle(int handle) {
  if (!IsCallersStreamSocket(handle)) return StandardInputReachesCaller();
  caller = handle;
  speaks_telnet = !BoardSpeaksTelnetForTheDoor();
  Host.ReadByte = SocketReadByte;
  Host.WriteBytes = SocketWriteBytes;
  SetHangupSocket(handle);
  return true;
}
