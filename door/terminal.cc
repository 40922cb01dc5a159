#include "door/terminal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "door/session_record.h"
#include "door/wake_channel.h"

namespace {

termios saved_mode{};
volatile sig_atomic_t mode_saved = 0;
bool raw_mode_tried = false;
volatile sig_atomic_t hangup_socket = -1;
int hold_depth = 0;
volatile sig_atomic_t caller_gone = 0;

// The game reads this slot in the signal handler; it is set and cleared in
// plain code, between calls the compiler cannot move it past.
bool HandOpen() { return *static_cast<void (*volatile*)()>(&DoorSession.OnHangup) != nullptr; }

// Every restore is on the way out. The restored mode turns the caller's ^C,
// ^\ and ^Z back into signals, and keys typed ahead would then kill or stop
// the door before it has ended with its own code. Without a tty there are no
// such keys, and the signals are left alone. sigaction is safe to call from
// the hang-up handler.
void IgnoreTerminalKeySignals() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (int signal_number : {SIGINT, SIGQUIT, SIGTSTP}) sigaction(signal_number, &ignore, nullptr);
}

}  // namespace

// Best effort on the way out: a line that cannot take the bytes at once, its
// reader gone quiet, must not hold the exit up. Standard output's file
// description may be the BBS's too, so it is non-blocking only for the one
// write, with the hang-up signals held so that their handler cannot end the
// process before the flags are put back.
void WriteLastBytes(const char* bytes, size_t length) {
  if (hangup_socket >= 0) {
    ssize_t ignored = send(hangup_socket, bytes, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    (void)ignored;
    return;
  }
  sigset_t hangups;
  sigset_t before;
  sigemptyset(&hangups);
  sigaddset(&hangups, SIGHUP);
  sigaddset(&hangups, SIGTERM);
  sigprocmask(SIG_BLOCK, &hangups, &before);
  const int flags = fcntl(STDOUT_FILENO, F_GETFL);
  if (flags >= 0 && fcntl(STDOUT_FILENO, F_SETFL, flags | O_NONBLOCK) == 0) {
    ssize_t ignored = write(STDOUT_FILENO, bytes, length);
    (void)ignored;
    fcntl(STDOUT_FILENO, F_SETFL, flags);
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

namespace {

// Runs on SIGHUP or SIGTERM at any moment, so only async-signal-safe calls:
// the colour reset and line end of the close-down, the terminal mode, _exit.
void OnHangupSignal(int) {
  if (HandOpen()) {
    caller_gone = 1;
    // A send or wait that began just before this handler ran would not see
    // the mark; the alarm breaks it off within a second.
    alarm(1);
    return;
  }
  // A line stopped by flow control takes no byte, and a write to it would
  // wait for ever: the alarm breaks it off.
  alarm(1);
  static const char kReset[] = "\x1b[0;37m\x1b[40m";
  if (DoorSession.Ansi == 1) WriteLastBytes(kReset, sizeof kReset - 1);
  WriteLastBytes("\r\n", 2);
  RemoveWakeChannelName();
  if (mode_saved) {
    IgnoreTerminalKeySignals();
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_mode);
  }
  _exit(0);
}

void MaskHangups(int how) {
  sigset_t hangups;
  sigemptyset(&hangups);
  sigaddset(&hangups, SIGHUP);
  sigaddset(&hangups, SIGTERM);
  sigprocmask(how, &hangups, nullptr);
}

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnHangupSignal;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGHUP);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaction(SIGHUP, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // Only ever interrupts a blocked send or wait; no SA_RESTART, so it does.
  struct sigaction wake {};
  wake.sa_handler = [](int) {};
  sigemptyset(&wake.sa_mask);
  sigaction(SIGALRM, &wake, nullptr);
  // A write to a caller who has gone must fail with EPIPE, not kill silently.
  signal(SIGPIPE, SIG_IGN);
}

}  // namespace

void SetUpTerminal() {
  InstallSignalHandlers();
  std::atexit(RestoreTerminal);
}

// Key at a time, no echo, no signal keys, no CR/LF translation, no flow
// control: BBS packages often hand the door a pty left in cooked mode.
void EnterRawMode() {
  if (raw_mode_tried) return;
  raw_mode_tried = true;
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_mode) != 0) return;
  termios raw = saved_mode;
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                        ICRNL | IXON | IXOFF | IXANY);
  raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  raw.c_cflag |= CS8;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  mode_saved = 1;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

void SetHangupSocket(int fd) { hangup_socket = fd; }

void RestoreTerminal() {
  if (!mode_saved) return;
  IgnoreTerminalKeySignals();
  tcsetattr(STDIN_FILENO, TCSANOW, &saved_mode);
}

bool CallerGone() { return caller_gone != 0; }

void NoteCallerGone() { caller_gone = 1; }

void ForgetCallerGone() { caller_gone = 0; }

HangupHold::HangupHold() {
  if (hold_depth++ > 0) return;
  MaskHangups(SIG_BLOCK);
}

HangupHold::~HangupHold() {
  if (hold_depth == 0 || --hold_depth > 0) return;
  MaskHangups(SIG_UNBLOCK);
}

void LetHangupsIn() {
  if (hold_depth == 0) return;
  hold_depth = 0;
  MaskHangups(SIG_UNBLOCK);
}
