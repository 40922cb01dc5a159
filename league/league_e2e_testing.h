// The boards of the league's end-to-end tests: door directories, mailer
// directories, binkd configurations taken from docs/league.md, callers who
// play through the door, and the sysop tool run as a board runs it.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <sstream>

#include <sodium.h>

#include <chrono>
#include <iostream>

#include "door/pty_testing.h"
#include "league/keys.h"
#include "league/settings.h"
#include "league/packet.h"
#include "store/league_data.h"
#include "store/records.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWait = 8000;
constexpr int kBoards = 3;
constexpr size_t kMostBoards = 5;
const std::array<std::string, kMostBoards> kBoardNames = {
    "Board One", "The Second BBS", "Pimps & Pros BBS", "Fourth Floor", "Fifth Avenue BBS"};
const std::array<std::string, kMostBoards> kPimps = {"Slick Rick", "Mack Daddy", "Huggy Bear",
                                                     "Iceberg Slim", "Goldie"};
const std::array<int, kMostBoards> kCash = {5000, 3000, 9000, 4000, 6000};

// The fenced block of docs/league.md that holds `line`.
std::string DocBlock(const std::string& line) {
  const std::string doc = ReadWholeFile(std::string(KORDAVIN_SOURCE_DIR) + "/docs/league.md");
  const size_t at = doc.find(line);
  if (at == std::string::npos) return "";
  const size_t start = doc.find('\n', doc.rfind("```", at)) + 1;
  return doc.substr(start, doc.find("```", at) - start);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string BinkdPath() {
  for (const char* path : {"/usr/sbin/binkd", "/usr/bin/binkd", "/usr/local/sbin/binkd"}) {
    if (access(path, X_OK) == 0) return path;
  }
  return "";
}

// A loopback port nothing listens on now (never the system binkd's 24554).
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

size_t CountOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

struct Board {
  int number = 0;
  std::string door;  // the game's directory
  std::string mail;  // binkd's: outbound, inbound, config, log
  std::string address;
  int port = 0;
  pid_t server = -1;
};

class LeagueE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    binkd_ = BinkdPath();
    if (binkd_.empty() && needs_binkd_) {
      GTEST_SKIP() << "binkd is not installed (apt-get install binkd)";
    }
    boards_.resize(board_count_);
    for (size_t i = 0; i < boards_.size(); ++i) {
      Board& board = boards_[i];
      board.number = static_cast<int>(i) + 1;
      board.door = MakeDoorDir();
      board.mail = board.door + "/mail";
      board.address = "21:1/" + std::to_string(100 * (i + 1));
      board.port = FreePort();
      for (const char* sub : {"outbound", "inbound/insecure", "tmp"}) {
        fs::create_directories(board.mail + "/" + sub);
      }
    }
    for (Board& board : boards_) WriteBinkdConfig(board);
  }

  void TearDown() override {
    for (DoorRun& run : runs_) StopDoor(run);
    for (Board& board : boards_) {
      if (board.server > 0) {
        kill(board.server, SIGTERM);
        waitpid(board.server, nullptr, 0);
      }
    }
  }

  // The configurations docs/league.md gives a coordinator and a member, as
  // they stand but for the paths, this board's own address and password, the
  // hosts on loopback, and where binkd listens and how much it logs.
  void WriteBinkdConfig(const Board& board) {
    const bool coordinator = board.number == 1;
    std::string cfg = DocBlock(coordinator ? "address 21:1/100@" : "address 21:1/200@");
    ASSERT_FALSE(cfg.empty()) << "docs/league.md has no binkd configuration for this board";
    if (!coordinator) {
      cfg = Replaced(cfg, "21:1/200", board.address);
      cfg = Replaced(cfg, "secret-for-board-2", "secret-for-board-" + std::to_string(board.number));
    }
    cfg = Replaced(cfg, "/var/spool/ftn", board.mail);
    std::istringstream in(cfg);
    std::ostringstream out;
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::string node, address, host, password;
      if (words >> node >> address >> host >> password && node == "node" && host != "-") {
        for (const Board& other : boards_) {
          if (address == other.address + "@leaguenet") host = "127.0.0.1:" + std::to_string(other.port);
        }
        line = node + " " + address + " " + host + " " + password;
      }
      out << line << "\n";
    }
    out << "listen 127.0.0.1:" << board.port << "\nloglevel 4\n";
    WriteScratchFile(board.mail + "/binkd.cfg", out.str());
  }

  void StartServer(Board& board) {
    board.server = fork();
    if (board.server == 0) {
      freopen("/dev/null", "w", stdout);
      freopen("/dev/null", "w", stderr);
      execl(binkd_.c_str(), "binkd", "-s", "-q", (board.mail + "/binkd.cfg").c_str(), nullptr);
      _exit(127);
    }
    for (int waited = 0; waited < kWait; waited += 10) {
      if (ReadWholeFile(board.mail + "/binkd.log").find("servmgr listen on") != std::string::npos) return;
      usleep(10000);
    }
    FAIL() << "binkd of board " << board.number << " never listened";
  }

  // binkd -p exits 0 whatever happened: the session's own log line tells.
  void Poll(const Board& from, const Board& to) {
    const std::string log = from.mail + "/binkd.log";
    const std::string done = "done (to " + to.address + "@leaguenet, OK";
    const size_t before = CountOf(ReadWholeFile(log), done);
    const std::string command = binkd_ + " -p -q -P " + to.address + "@leaguenet " + from.mail +
                                "/binkd.cfg >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(CountOf(ReadWholeFile(log), done), before + 1) << ReadWholeFile(log);
  }

  void PollAll() {
    for (size_t i = 1; i < boards_.size(); ++i) Poll(boards_[i], boards_[0]);
  }

  // What the nightly event does on every board, and the mailers between.
  void ExchangeRound() {
    for (Board& board : boards_) Sysop(board, "league send");
    PollAll();
    for (Board& board : boards_) Sysop(board, "league receive");
  }

  std::string Sysop(const Board& board, const std::string& args, int expected_code = 0) {
    const std::string command =
        std::string(KORDAVIN_SYSOP_BINARY) + " --dir " + board.door + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    const int status = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), expected_code) << command << "\n" << output;
    return output;
  }

  std::string PublicKey(const Board& board) {
    std::string key = ReadWholeFile(board.door + "/kordavin.league.pub");
    while (!key.empty() && key.back() == '\n') key.pop_back();
    return key;
  }

  std::string Settings(const Board& board) {
    return "league=PIMPNET board=" + std::to_string(board.number) + " board-name='" +
           kBoardNames[static_cast<size_t>(board.number - 1)] + "' address=" + board.address +
           " outbound=" + board.mail + "/outbound inbound=" + board.mail + "/inbound";
  }

  void SetUpLeague() {
    for (Board& board : boards_) Sysop(board, "league keygen");
    Board& coordinator = boards_[0];
    Sysop(coordinator, "league init league-name='Pimp Net' " + Settings(coordinator));
    // The door's directory as a sysop has it: the tool beside the game.
    fs::copy_file(KORDAVIN_SYSOP_BINARY, coordinator.door + "/kordavin-sysop");
    for (size_t i = 1; i < boards_.size(); ++i) {
      Board& member = boards_[i];
      const std::string joined =
          Sysop(member, "league join " + Settings(member) + " coordinator=1 coordinator-address=" +
                            coordinator.address + " coordinator-key=" + PublicKey(coordinator) +
                            " coordinator-name='Board One'");
      // The line printed for the coordinator runs in a shell as it stands,
      // in his door's directory.
      const size_t at = joined.find("./kordavin-sysop league add");
      ASSERT_NE(at, std::string::npos) << joined;
      const std::string line = joined.substr(at, joined.find('\n', at) - at);
      ASSERT_EQ(std::system(("cd " + coordinator.door + " && " + line + " >/dev/null").c_str()), 0)
          << line;
    }
  }

  struct Caller {
    DoorRun* run;
    size_t mark;
  };

  Caller Call(const Board& board, const std::string& name) {
    WriteDoorFile(board.door, "door32.sys", Door32For(name));
    DoorRun& run = runs_.emplace_back();
    EXPECT_TRUE(StartDoor(run, board.door, {board.door + "/door32.sys", "1"}));
    Caller caller{&run, 0};
    Answer(caller, "Do you want ANSI graphics? [Y/N] ", "n");
    return caller;
  }

  void Answer(Caller& caller, const std::string& text, const std::string& keys) {
    ASSERT_TRUE(WaitForOutput(*caller.run, text, kWait, caller.mark))
        << "waiting for: " << text << "\n" << caller.run->output.substr(caller.mark);
    caller.mark = caller.run->output.find(text, caller.mark) + text.size();
    SendKeys(*caller.run, keys);
  }

  void Quit(Caller& caller) {
    Answer(caller, "& MAIN]: ", "q");
    Answer(caller, "Are you sure you want to quit? [Y/N] ", "y");
    Answer(caller, "[-*-]", "\r");
    EXPECT_EQ(WaitForExit(*caller.run, kWait), 0);
  }

  // A new caller joins as the pimp and leaves.
  void PlayFirstCall(const Board& board, const std::string& real_name, const std::string& pimp) {
    Caller caller = Call(board, real_name);
    Answer(caller, "Would you like to play? [Y/N] ", "y");
    Answer(caller, "Enter your Pimp Name : ", pimp + "\r");
    Answer(caller, "for online documentation.", "\r");
    Quit(caller);
  }

  // A packet as `signer` could sign it: its latest standings, changed.
  std::string Signed(const Board& signer, const std::function<void(ScorePacket&)>& change) {
    SecretKey key{};
    std::string error;
    EXPECT_TRUE(StartSodium() && LoadSecretKey(signer.door + "/", key, error)) << error;
    ScorePacket packet = ReadBoardStandingsOf(signer);
    packet.league = "PIMPNET";
    packet.sequence += 1000 + static_cast<uint32_t>(forged_++);
    change(packet);
    return SignPacket(EncodeScorePacket(packet), key);
  }

  ScorePacket ReadBoardStandingsOf(const Board& board) {
    const std::vector<uint8_t> record = [&] {
      const std::string bytes = ReadWholeFile(board.door + "/kordavin.lgd");
      for (size_t at = 0; at + kStandingsRecordSize <= bytes.size(); at += kStandingsRecordSize) {
        if (static_cast<uint8_t>(bytes[at]) == board.number) {
          return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                      bytes.begin() + static_cast<std::ptrdiff_t>(at + kStandingsRecordSize));
        }
      }
      return std::vector<uint8_t>(kStandingsRecordSize, 0);
    }();
    return DecodeStandings(record.data(), record.size(), kMaxPacketPlayers);
  }

  // The whole /L screen as a caller at a street corner sees it.
  std::string LeagueScreen(const Board& board, const std::string& real_name,
                           const std::string& last = "boards by the worth of its pimps.") {
    Caller caller = Call(board, real_name);
    // News of another board's winner comes first, with its pause.
    while (!WaitForOutput(*caller.run, "& MAIN]: ", 500, caller.mark)) {
      const size_t pause = caller.run->output.find("[-*-]", caller.mark);
      if (pause == std::string::npos) continue;
      caller.mark = pause + 5;
      SendKeys(*caller.run, "\r");
    }
    Answer(caller, "& MAIN]: ", "/L");
    Answer(caller, last, "");
    const size_t start = caller.run->output.rfind("Pimp Net: ");
    const std::string screen = caller.run->output.substr(start == std::string::npos ? 0 : start);
    Quit(caller);
    return screen;
  }

  size_t board_count_ = kBoards;
  bool needs_binkd_ = true;
  int forged_ = 0;
  std::string binkd_;
  std::vector<Board> boards_;
  std::deque<DoorRun> runs_;
};

}  // namespace
