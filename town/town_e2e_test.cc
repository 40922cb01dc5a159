// Two callers on two nodes at the same time: one examines, tips the police on
// and pages the other, who sees the page at his prompt and the news next call.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "door/e2e_testing.h"

namespace {

constexpr int kWait = 8000;
constexpr int64_t kNoticeWithinMs = 100;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// What a process has done that costs the machine: the times it woke from a
// wait, and its reads and writes of any file or line.
int64_t ActivityOf(pid_t pid) {
  int64_t total = 0;
  const std::string proc = "/proc/" + std::to_string(pid);
  for (const auto& [file, field] : {std::pair{"/status", "voluntary_ctxt_switches:"},
                                    std::pair{"/io", "syscr:"}, std::pair{"/io", "syscw:"}}) {
    std::ifstream in(proc + file);
    std::string word;
    int64_t value = -1;
    while (in >> word) {
      if (word == field && in >> value) break;
    }
    EXPECT_GE(value, 0) << proc << file << " has no " << field;
    total += value;
  }
  return total;
}

class TownE2eTest : public RealDoorTest {
 protected:
  struct Caller {
    DoorRun* run;
    size_t mark;
  };

  Caller Call(const std::string& name, int node) {
    Caller caller{&StartCaller(name, node), 0};
    Answer(caller, "Do you want ANSI graphics? [Y/N] ", "n");
    return caller;
  }

  // Waits for text after what was answered last, then sends keys.
  void Answer(Caller& caller, const std::string& text, const std::string& keys) {
    AnswerAfter(*caller.run, caller.mark, text, keys);
  }

  void Join(Caller& caller, const std::string& pimp) {
    Answer(caller, "Would you like to play? [Y/N] ", "y");
    Answer(caller, "Enter your Pimp Name : ", pimp + "\r");
    Answer(caller, "for online documentation.", "\r");
  }

  // Tips the police on player 2 until they fine him (a tip is a hoax two
  // times in three) or the caller's day cannot pay for another: when the key
  // of the tip that fined him was sent, or -1.
  int64_t TipUntilFined(Caller& caller) {
    for (int tip = 0; tip < 16; ++tip) {
      Answer(caller, "[FLAMING SHEINEN'S]: ", "p");
      Answer(caller, "Show Roster [Y/N] ", "n");
      Answer(caller, "[PIMP ROSTER]: ", "2\r");
      const int64_t sent = NowMs();
      Answer(caller, "You tip the police on Bob.", "");
      if (!WaitForOutput(*caller.run, "[FLAMING SHEINEN'S]: ", kWait, caller.mark)) return -1;
      const std::string told = caller.run->output.substr(caller.mark);
      if (told.find("he gets fined $") != std::string::npos) return sent;
    }
    return -1;
  }

  // Waits for text on caller's screen after his mark: how long it came after
  // since_ms (0 when it was there before), or -1.
  int64_t ShownAfter(Caller& caller, const std::string& text, int64_t since_ms) {
    if (!WaitForOutput(*caller.run, text, kWait, caller.mark)) return -1;
    caller.mark = caller.run->output.find(text, caller.mark) + text.size();
    return std::max<int64_t>(NowMs() - since_ms, 0);
  }

  void Quit(Caller& caller, const std::string& prompt) {
    Answer(caller, prompt, "q");
    Answer(caller, "Are you sure you want to quit? [Y/N] ", "y");
    Answer(caller, "[-*-]", "\r");
    EXPECT_EQ(WaitForExit(*caller.run, kWait), 0);
  }
};

TEST_F(TownE2eTest, ExaminePoliceTipAndPageReachTheOtherCaller) {
  Caller alice = Call("Alice Real", 1);
  Join(alice, "Alice");
  Answer(alice, "[1ST & MAIN]: ", "");
  Caller bob = Call("Bob Real", 2);
  Join(bob, "Bob");
  Answer(bob, "[1ST & MAIN]: ", "");

  Answer(alice, "", "e");
  Answer(alice, "Show Roster [Y/N] ", "y");
  Answer(alice, "2] Bob", "");
  Answer(alice, "[PIMP ROSTER]: ", "2\r");
  Answer(alice, "Pimp Statistics", "");
  Answer(alice, "Bulletin Board Alias : Bob Real", "");
  Answer(alice, "[1ST & MAIN]: ", "g");
  Answer(alice, "[FLAMING SHEINEN'S]: ", "p");
  Answer(alice, "Show Roster [Y/N] ", "n");
  Answer(alice, "[PIMP ROSTER]: ", "2\r");
  Answer(alice, "You tip the police on Bob.", "");
  Answer(alice, "[FLAMING SHEINEN'S]: ", "r");
  Answer(alice, "[1ST & MAIN]: ", "/p");
  Answer(alice, "[PIMP ROSTER ?/LIST]: ", "2\r");
  Answer(alice, "dial up Bob's pager.", "");
  Answer(alice, "ENTER YOUR MESSAGE", "watch your back\r");
  Answer(alice, "[1ST & MAIN]: ", "");

  Answer(bob, "* Page from Alice: watch your back\r\n", "");
  // His prompt is written again under the page, and his key's echo follows
  // it. When the tip fined him, its notice may come in the same second: it
  // writes the prompt once more under its own lines.
  const size_t after_page = bob.mark;
  Answer(bob, "[1ST & MAIN]: ", "y");
  const std::string prompt = bob.run->output.substr(after_page, bob.mark - after_page);
  EXPECT_EQ(prompt.rfind("[1:", 0), 0u) << prompt;
  EXPECT_EQ(prompt.find('\n'), std::string::npos) << prompt;
  Answer(bob, "Your Statistics", "");
  std::string between = bob.run->output.substr(after_page + prompt.size());
  between.resize(between.find("Your Statistics"));
  if (!between.empty()) {
    EXPECT_EQ(between.rfind("\r\n* ", 0), 0u) << between;
    EXPECT_TRUE(between.ends_with("\r\n" + prompt)) << between;
  }
  EXPECT_EQ(bob.run->output.find("Page from", bob.mark), std::string::npos)
      << "the page is shown once";

  Quit(bob, "[1ST & MAIN]: ");
  Quit(alice, "");

  Caller bob_again = Call("Bob Real", 2);
  Answer(bob_again, "Alice spied on you.", "");
  Answer(bob_again, "[-*-]", "\r");
  Quit(bob_again, "[1ST & MAIN]: ");
}

}  // namespace

namespace {

// A caller idle at his prompt costs nothing until another node acts on him:
// his door sleeps, and the node that fines or pages him wakes it, so that he
// is told at once instead of within a second.
TEST_F(TownE2eTest, AnIdleCallerSleepsUntilFinedOrPagedAndIsToldAtOnce) {
  Caller alice = Call("Alice Real", 1);
  Join(alice, "Alice");
  Answer(alice, "[1ST & MAIN]: ", "g");
  Caller bob = Call("Bob Real", 2);
  Join(bob, "Bob");
  Answer(bob, "[1ST & MAIN]: ", "");

  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // his door reaches its wait
  const int64_t before = ActivityOf(bob.run->pid);
  std::this_thread::sleep_for(std::chrono::seconds(3));
  // Looking at his record and pages each second, as the door once did, is
  // three wake-ups and six reads of the files.
  EXPECT_LE(ActivityOf(bob.run->pid) - before, 1) << "an idle door at a prompt stays asleep";

  int64_t fined_at = TipUntilFined(alice);
  if (fined_at < 0) {  // her day is spent on hoaxes; Carol tips instead
    alice = Call("Carol Real", 3);
    Join(alice, "Carol");
    Answer(alice, "[1ST & MAIN]: ", "g");
    fined_at = TipUntilFined(alice);
  }
  ASSERT_GE(fined_at, 0) << "32 tips, none followed";
  const int64_t fine_ms =
      ShownAfter(bob, "Someone tipped off the police. They fined you $", fined_at);
  EXPECT_GE(fine_ms, 0) << bob.run->output.substr(bob.mark);
  EXPECT_LT(fine_ms, kNoticeWithinMs);

  Answer(alice, "[FLAMING SHEINEN'S]: ", "r");
  Answer(alice, "[1ST & MAIN]: ", "/p");
  Answer(alice, "[PIMP ROSTER ?/LIST]: ", "2\r");
  Answer(alice, "ENTER YOUR MESSAGE", "look behind you\r");
  const int64_t paged_at = NowMs();
  const int64_t page_ms = ShownAfter(bob, "* Page from ", paged_at);
  EXPECT_GE(page_ms, 0) << bob.run->output.substr(bob.mark);
  EXPECT_LT(page_ms, kNoticeWithinMs);
  std::printf("told of a fine %lld ms after the tip's key, of a page %lld ms after its Enter\n",
              static_cast<long long>(fine_ms), static_cast<long long>(page_ms));

  Quit(bob, "[1ST & MAIN]: ");
}

}  // namespace
