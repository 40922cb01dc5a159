// The real door on a caller's socket handed over by descriptor, as a BBS's
// socket run mode starts it: the socket named in DOOR32.SYS, standard I/O
// pointed somewhere else.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "door/e2e_testing.h"

namespace {

constexpr int kWait = 8000;
constexpr int kHandle = 16;  // the number a BBS passed in the run that was seen to fail
const std::string kAnsiQuestion = "\x1b[H\x1b[2JDo you want ANSI graphics? [Y/N] ";
const std::string kIac = "\xff";

std::string Door32OnHandle(int handle, const std::string& name,
                           const std::string& board = "Test BBS") {
  return "2\r\n" + std::to_string(handle) + "\r\n38400\r\n" + board + "\r\n1\r\n" + name +
         "\r\n" + name + "\r\n10\r\n60\r\n1\r\n1\r\n";
}

// Waits for the door to end without reading what it sent, as a caller who has
// stopped reading; its exit code, -1 after a signal, -2 on timeout.
int WaitForExitUnread(DoorRun& run, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    int status = 0;
    if (waitpid(run.pid, &status, WNOHANG) == run.pid) {
      run.exited = true;
      run.exit_status = status;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    usleep(10 * 1000);
  }
  return -2;
}

int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since).count();
}

// A socket listening on a free loopback port, which lands in address; -1 on failure.
int LoopbackListener(sockaddr_in& address) {
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  address = sockaddr_in{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      listen(listener, 1) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    return listener;
  }
  close(listener);
  return -1;
}

// A connected loopback TCP pair: [0] the caller's end, [1] the door's.
bool TcpPair(int ends[2]) {
  sockaddr_in address;
  int listener = LoopbackListener(address);
  ends[0] = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  bool ok = listener >= 0 &&
            connect(ends[0], reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ends[1] = ok ? accept4(listener, nullptr, nullptr, SOCK_CLOEXEC) : -1;
  close(listener);
  return ok && ends[1] >= 0;
}

// Whatever the door's standard I/O pty has been sent, without waiting long.
std::string DrainPty(int master) {
  std::string got;
  char buffer[256];
  pollfd watch{master, POLLIN, 0};
  while (poll(&watch, 1, 50) > 0) {
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

class SocketE2eTest : public RealDoorTest {
 protected:
  void TearDown() override {
    RealDoorTest::TearDown();
    if (client_ > 0) {
      kill(client_, SIGKILL);
      waitpid(client_, nullptr, 0);
    }
    for (int fd : {pty_master_, pty_slave_}) {
      if (fd >= 0) close(fd);
    }
  }

  // A pty for the door's standard I/O, so the test can see nothing goes there.
  int OpenWatchedPty() {
    if (openpty(&pty_master_, &pty_slave_, nullptr, nullptr, nullptr) != 0) return -1;
    fcntl(pty_master_, F_SETFD, FD_CLOEXEC);
    fcntl(pty_slave_, F_SETFD, FD_CLOEXEC);
    return pty_slave_;
  }

  // Starts the door on one end of the pair; the test keeps the other.
  void StartOn(const int ends[2], int stdio_fd, const std::string& name = "Jane Doe",
               const std::string& board = "Test BBS", const std::string& clock = kE2eToday) {
    WriteDoorFile(dir_, "DOOR32.SYS", Door32OnHandle(kHandle, name, board));
    ASSERT_TRUE(StartDoorOnSocket(run_, dir_, {dir_ + "/DOOR32.SYS", "1"}, ends[0], ends[1],
                                  kHandle, stdio_fd, clock));
    close(ends[1]);
  }

  // From the ANSI question to the street corner of a new player.
  void JoinAs(const std::string& pimp) {
    Answer(kAnsiQuestion, "n");
    Answer("Would you like to play? [Y/N] ", "y");
    Answer("Enter your Pimp Name : ", pimp + "\r");
    Answer("[-*-]", "\r");
    ASSERT_TRUE(WaitForOutput(run_, "[1ST & MAIN]: ", kWait, mark_)) << run_.output.substr(mark_);
    mark_ = run_.output.find("[1ST & MAIN]: ", mark_) + 14;
  }

  void StartOnSocketPair(int stdio_fd, const std::string& name = "Jane Doe") {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    StartOn(ends, stdio_fd, name);
  }

  void Answer(const std::string& text, const std::string& keys) {
    AnswerAfter(run_, mark_, text, keys);
  }

  // Sends the pieces one read apart, as a slow line delivers them.
  void SendInPieces(std::initializer_list<std::string> pieces) {
    for (const std::string& piece : pieces) {
      SendKeys(run_, piece);
      usleep(20 * 1000);
    }
  }

  DoorRun& run_ = runs_.emplace_back();
  size_t mark_ = 0;
  int pty_master_ = -1;
  int pty_slave_ = -1;
  pid_t client_ = -1;  // a telnet client, when the test runs one
};

TEST_F(SocketE2eTest, ACallerJoinsAndPlaysThroughTheSocketAndStandardIoIsLeftAlone) {
  int stdio = OpenWatchedPty();
  ASSERT_GE(stdio, 0);
  termios before{};
  tcgetattr(stdio, &before);
  StartOnSocketPair(stdio, "J\xffrg Doe");
  Answer(kAnsiQuestion, "n");
  Answer("Would you like to play? [Y/N] ", "y");
  ASSERT_TRUE(WaitForOutput(run_, "Enter your Pimp Name : ", kWait, mark_)) << run_.output;
  // Commands of every shape, one inside a cursor key's escape sequence, and
  // pieces that end half-way through a command; option bytes are letters, so
  // any that leaked would be typed into the name.
  SendInPieces({"D" + kIac + "\xfdZo\x1b" + kIac, "\xf1[A" + kIac + "\xfa" + "QQ" + kIac,
                kIac + "Q" + kIac + "\xf0" + "c" + kIac, "\xfbP\r\n"});
  Answer("Dohc\r\n", "");
  Answer("[-*-]", "\r");
  Answer("[1ST & MAIN]: ", "y");
  Answer("Bulletin Board Alias : J\xff\xffrg Doe\r\n", "");
  Answer("[1ST & MAIN]: ", "q");
  Answer("Are you sure you want to quit? [Y/N] ", "y");
  Answer("[-*-]", std::string("\r\0", 2));
  EXPECT_EQ(WaitForExit(run_, kWait), 0) << run_.output;

  EXPECT_EQ(DrainPty(pty_master_), "") << "nothing is written to standard output";
  termios after{};
  tcgetattr(stdio, &after);
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), before.c_lflag & (ICANON | ECHO))
      << "the terminal the door was started from keeps its mode";
}

TEST_F(SocketE2eTest, EndOfStreamAResetAndSigtermEndTheDoorAtOnce) {
  StartOnSocketPair(-1);
  ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, kWait));
  shutdown(run_.master, SHUT_WR);
  EXPECT_EQ(WaitForExit(run_, 1000), 0) << "end of stream";
  StopDoor(run_);

  int ends[2];
  ASSERT_TRUE(TcpPair(ends));
  StartOn(ends, -1);
  ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, kWait));
  linger abort_on_close{1, 0};
  setsockopt(run_.master, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
  close(run_.master);  // a reset, not an orderly end
  run_.master = -1;
  EXPECT_EQ(WaitForExit(run_, 1000), 0) << "reset";
  StopDoor(run_);

  StartOnSocketPair(-1);
  ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, kWait));
  size_t before = run_.output.size();
  kill(run_.pid, SIGTERM);
  EXPECT_EQ(WaitForExit(run_, 1000), 0);
  EXPECT_EQ(run_.output.substr(before), "\x1b[0;37m\x1b[40m\r\n")
      << "the last bytes of a terminate signal go to the socket";
  StopDoor(run_);

  // A reset before the door starts leaves a socket without a peer: still the
  // caller's line, not a reason to wait on a standard I/O nobody is at.
  ASSERT_TRUE(TcpPair(ends));
  setsockopt(ends[0], SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
  close(ends[0]);
  ends[0] = -1;
  StartOn(ends, OpenWatchedPty());
  EXPECT_GE(WaitForExit(run_, 1000), 0) << "reset before the start";
  EXPECT_EQ(DrainPty(pty_master_), "") << "standard output was taken for the caller's line";
}

// Synchronet's passthru socket: the board has dealt with telnet, so a 255 the
// caller types is a key and so is what follows it, and a 255 the door sends
// goes out once (the board doubles it for the client itself).
TEST_F(SocketE2eTest, OnSynchronetsPassthruSocketEveryByteIsTheCallers) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  StartOn(ends, -1, "J\xffrg Doe", "Synchronet BBS for Linux  Version 3.22a");
  Answer(kAnsiQuestion, "n");
  // Read as telnet, 255 253 would be a DO and take the y for its option.
  Answer("Would you like to play? [Y/N] ", kIac + "\xfdy");
  Answer("Enter your Pimp Name : ", "Tom\r");
  Answer("[-*-]", "\r");
  Answer("[1ST & MAIN]: ", "y");
  Answer("Bulletin Board Alias : J\xffrg Doe\r\n", "");
  Answer("[1ST & MAIN]: ", "q");
  Answer("Are you sure you want to quit? [Y/N] ", "y");
  Answer("[-*-]", "\r");
  EXPECT_EQ(WaitForExit(run_, kWait), 0) << run_.output;
  EXPECT_EQ(run_.output.find("\xff\xff"), std::string::npos) << "a 255 went out doubled";
}

// A caller who types a row of commands ahead and stops reading: once a send
// has waited its minute for him the door ends, instead of giving each command
// still typed ahead a minute of its own. The door's clock runs ten times as
// fast here, so its minute is six seconds.
TEST_F(SocketE2eTest, ACallerWhoTypedAheadAndStoppedReadingIsLetGoWithinAMinute) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  const int small = 4096;  // the line fills after a screen or two
  setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  StartOn(ends, -1, "Jane Doe", "Test BBS", std::string(kE2eToday) + " x10");
  JoinAs("Tom");
  // Far more screens than the line and its buffers hold, so the door's sends
  // block whichever way it batches them.
  std::string rosters;
  for (int n = 0; n < 80; ++n) rosters += "ey0\r";
  SendKeys(run_, rosters);
  const auto stalled = std::chrono::steady_clock::now();
  const int code = WaitForExitUnread(run_, 30000);
  const int64_t took = ElapsedMs(stalled);
  EXPECT_EQ(code, 1) << "a line that takes nothing is a lost caller";
  EXPECT_GE(took, 5000) << "the door gave up before its minute";
  EXPECT_LT(took, 11000) << "the door waited more than one minute of its clock";
}

// The same over TCP with a small receive buffer and thousands of keys typed
// ahead: the door reading them while its screens wait must not start the
// minute again. Measured from the caller's last read.
TEST_F(SocketE2eTest, OverTcpThousandsOfKeysTypedAheadDoNotPutTheEndOff) {
  int ends[2];
  ASSERT_TRUE(TcpPair(ends));
  const int small = 4096;
  setsockopt(ends[0], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  const char* clock = std::getenv("KORDAVIN_STALL_CLOCK");
  StartOn(ends, -1, "Jane Doe", "Test BBS",
          std::string(kE2eToday) + (clock != nullptr ? clock : " x10"));
  JoinAs("Tom");
  const auto last_read = std::chrono::steady_clock::now();
  const int line = run_.master;
  std::thread typist([line] {
    const std::string keys(6000, '?');
    for (size_t sent = 0; sent < keys.size();) {
      const ssize_t n = send(line, keys.data() + sent, keys.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<size_t>(n);
    }
  });
  const int code = WaitForExitUnread(run_, 200000);
  const int64_t took = ElapsedMs(last_read);
  shutdown(line, SHUT_RDWR);
  typist.join();
  // Ended by a send that gave up (1) or, with every screen already in the
  // socket's buffers, at the key wait as on a hang-up (0); not by the idle limit.
  EXPECT_TRUE(code == 0 || code == 1) << code;
  const int64_t minute = clock != nullptr ? 60000 : 6000;
  EXPECT_GE(took, minute - 1000) << "the door gave up before its minute";
  EXPECT_LT(took, minute + 5000) << "the door waited more than one minute of its clock";
}

// A hang-up on standard I/O whose line is full and whose reader has gone
// quiet: the last bytes go only if they can at once, and the door ends.
TEST_F(SocketE2eTest, TheLastBytesOfAHangUpNeverWaitOnAFullLine) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  const int small = 4096;
  setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  WriteDoorFile(dir_, "DOOR32.SYS", Door32OnHandle(-1, "Jane Doe"));
  ASSERT_TRUE(StartDoorOnSocket(run_, dir_, {dir_ + "/DOOR32.SYS", "1"}, ends[0], ends[1],
                                kHandle, ends[1], kE2eToday));
  close(ends[1]);
  JoinAs("Tom");
  SendKeys(run_, std::string(50, '?'));  // help screens, never read
  usleep(300 * 1000);
  kill(run_.pid, SIGHUP);
  EXPECT_EQ(WaitForExitUnread(run_, 2000), 0) << "the door hangs in its last write";
}

// A real client's negotiation in the stream: the relay answers the client's
// call as a BBS does, asks for what a BBS asks for, and hands the door the line.
TEST_F(SocketE2eTest, TheTelnetClientPlaysThroughARelay) {
  if (access("/usr/bin/telnet", X_OK) != 0) GTEST_SKIP() << "telnet is not installed";
  sockaddr_in address;
  int listener = LoopbackListener(address);
  ASSERT_GE(listener, 0);
  const std::string port = std::to_string(ntohs(address.sin_port));

  winsize screen{25, 80, 0, 0};  // reported by the client: 80 is 'P', a key if it leaked
  int client_screen = -1;
  client_ = forkpty(&client_screen, nullptr, nullptr, &screen);
  ASSERT_GE(client_, 0);
  if (client_ == 0) {
    execl("/usr/bin/telnet", "telnet", "127.0.0.1", port.c_str(), static_cast<char*>(nullptr));
    _exit(121);
  }
  fcntl(client_screen, F_SETFD, FD_CLOEXEC);
  pollfd call{listener, POLLIN, 0};
  ASSERT_EQ(poll(&call, 1, kWait), 1) << "the client did not call";
  int line = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  close(listener);
  ASSERT_GE(line, 0);
  // The BBS echoes and goes key at a time, and asks for the window size and
  // the terminal type; the client's answers reach the door.
  const std::string negotiation = "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x1f\xff\xfd\x18";
  ASSERT_EQ(send(line, negotiation.data(), negotiation.size(), 0),
            static_cast<ssize_t>(negotiation.size()));
  int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  int ends[2] = {client_screen, line};
  StartOn(ends, null, "J\xffrg Doe");
  close(null);

  Answer(kAnsiQuestion, "n");
  Answer("Would you like to play? [Y/N] ", "y");
  Answer("Enter your Pimp Name : ", "tom\r");
  Answer("Tom", "");
  Answer("[-*-]", "\r");
  Answer("[1ST & MAIN]: ", "y");
  Answer("Bulletin Board Alias : J\xffrg Doe", "");
  Answer("[1ST & MAIN]: ", "q");
  Answer("Are you sure you want to quit? [Y/N] ", "y");
  Answer("[-*-]", "\r");
  EXPECT_EQ(WaitForExit(run_, kWait), 0) << run_.output;
  EXPECT_EQ(run_.output.find("\xff\xff"), std::string::npos) << "the client took IAC IAC as one 255";
}

// A telnet handle that names no socket: standard I/O when it can reach a
// caller, otherwise the usage screen and nothing else.
TEST_F(SocketE2eTest, AHandleThatIsNoSocket) {
  // The shell names descriptors up to 9 only.
  WriteDoorFile(dir_, "DOOR32.SYS", Door32OnHandle(7, "Jane Doe"));
  WriteDoorFile(dir_, "plain.txt", "not a socket");
  // Standard input: /dev/null, as the BBS left it; closed; a device that is
  // no line. The handle: not open, or a plain file.
  for (const char* redirections : {"</dev/null", "</dev/null 7<plain.txt", "7<plain.txt <&-",
                                   "</dev/zero"}) {
    std::string command =
        "cd " + dir_ + " && ./kordavin DOOR32.SYS 1 " + redirections + " >out.txt 2>err.txt";
    int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << redirections;
    EXPECT_EQ(DoorFile("out.txt"),
              "\r\nKORDAVIN ERROR : Unable to open communications port\r\n\r\n"
              "Proper Command Line Samples\r\n---------------------------\r\n"
              "KORDAVIN [path and filename of drop file] [node number]\r\n"
              "kordavin /bbs/door32.sys 1\r\nkordavin /bbs/door.sys 1\r\n"
              "kordavin /bbs/dorinfo1.def 1\r\nkordavin /bbs/chain.txt 1\r\n\r\n"
              "Please refer to KORDAVIN.DOC for further information.\r\n")
        << redirections;
    EXPECT_EQ(DoorFile("err.txt"), "") << redirections;
  }
  // A pipe on standard input is a BBS that wrote a handle and runs the door
  // on standard I/O: the game starts there.
  std::string command = "cd " + dir_ + " && true | ./kordavin DOOR32.SYS 1 >out.txt 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(DoorFile("out.txt").substr(0, kAnsiQuestion.size()), kAnsiQuestion);
}

}  // namespace

