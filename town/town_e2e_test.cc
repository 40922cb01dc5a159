// Two callers on two nodes at the same time: one examines, tips the police on
// and pages the other, who sees the page at his prompt and the news next call.
#include <gtest/gtest.h>

#include "door/e2e_testing.h"

namespace {

constexpr int kWait = 8000;

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
