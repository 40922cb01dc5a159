#include "town/pages.h"

#include <gtest/gtest.h>

#include <string>

#include "door/fake_host_testing.h"
#include "door/input.h"
#include "door/output.h"
#include "door/session.h"
#include "store/files.h"
#include "store/state.h"
#include "town/roster.h"
#include "town/streets_testing.h"
#include "town/town.h"

namespace {

NodeRecord NodeOnFile(int node) {
  const std::string bytes = ReadStreetsFile(NodeFileName(node));
  EXPECT_EQ(bytes.size(), kNodeFileSize);
  if (bytes.size() < kNodeRecordSize) return NodeRecord{};
  return DecodeNode(reinterpret_cast<const uint8_t*>(bytes.data()));
}

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeStreetsTestDir();
    GameSession.Player = MakeStreetsPlayer("Joe Pimp", "Joe Caller");
    GameSession.PlayerNumber = 1;
    StoreStreetsNode(1, "Joe Pimp");
    StoreStreetsNode(3, "Cal Pimp");
  }
  // Turns this session into the one on the paged node.
  void BecomeNode(int node) {
    DoorSession.Node = static_cast<int16_t>(node);
    TakeOutput();
  }
};

TEST_F(PagesTest, PageIsStoredInThePagedNodesRecord) {
  QueueKeys("3\rMeet me |14now\r");
  PagePimp();
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\nYou pick up your cell phone and dial up Cal Pimp's pager.\r\n"
                     "\r\n[ENTER YOUR MESSAGE]\r\n:Meet me |14now\r\n"),
            std::string::npos)
      << out;
  const NodeRecord record = NodeOnFile(3);
  EXPECT_EQ(record.Name, "Cal Pimp");
  EXPECT_EQ(record.PageFlag, 1);
  EXPECT_EQ(record.Message, "Joe Pimp: Meet me |14now");
  EXPECT_EQ(ReadStreetsFile(NodeFileName(3)).substr(kNodeRecordSize),
            std::string(kNodeFileSize - kNodeRecordSize, '\0'));
}

TEST_F(PagesTest, LongPageIsCutToTheFieldAndEmptyPageIsNotSent) {
  QueueKeys("3\r" + std::string(78, 'x') + "yy\r");
  PagePimp();
  const NodeRecord record = NodeOnFile(3);
  EXPECT_EQ(record.Message, "Joe Pimp: " + std::string(69, 'x'));

  QueueKeys("1\r\r");
  PagePimp();
  EXPECT_EQ(NodeOnFile(1).PageFlag, 0);
}

TEST_F(PagesTest, PageIsShownOnceAndTheFlagCleared) {
  SendPage(3, "Joe Pimp", "Meet me |14now");
  BecomeNode(3);
  CheckPages();
  EXPECT_EQ(TakeOutput(), "\r\n* Page from Joe Pimp: Meet me |14now\r\n");
  const NodeRecord record = NodeOnFile(3);
  EXPECT_EQ(record.PageFlag, 0);
  EXPECT_EQ(record.Message, "");
  EXPECT_EQ(record.Name, "Cal Pimp");
  CheckPages();
  EXPECT_EQ(TakeOutput(), "");
}

TEST_F(PagesTest, PageArrivesWhileTheCallerWaitsAtAPrompt) {
  RegisterTownCommands();
  BecomeNode(3);
  QueueKeyAt(Fake.now_ms + 4000, 'x');
  SendPage(3, "Joe Pimp", "hello");
  EXPECT_EQ(ReadKey(), 'x');
  EXPECT_EQ(CountStreetsText(TakeOutput(), "* Page from Joe Pimp: hello\r\n"), 1);
  EXPECT_EQ(NodeOnFile(3).PageFlag, 0);
}

TEST_F(PagesTest, PageToAnEmptyNodeGoesNowhere) {
  SendPage(4, "Joe Pimp", "anyone?");
  EXPECT_FALSE(StreetsFileExists(NodeFileName(4)));
  QueueKeys("4\r0\r");
  PagePimp();
  EXPECT_NE(TakeOutput().find("Invalid player."), std::string::npos);
  EXPECT_FALSE(StreetsFileExists(NodeFileName(4)));
  BecomeNode(4);
  CheckPages();
  EXPECT_EQ(TakeOutput(), "");
}

TEST_F(PagesTest, PageLeftForThePreviousCallerWaitsUntilTheDayBegins) {
  SendPage(3, "Joe Pimp", "for the last one");
  BecomeNode(3);
  GameSession.PlayerNumber = -1;
  GameSession.TimeLeft = 0;
  CheckPages();
  GameSession.PlayerNumber = 2;
  CheckPages();
  EXPECT_EQ(TakeOutput(), "");
  EXPECT_EQ(NodeOnFile(3).PageFlag, 1);
}

TEST_F(PagesTest, LockedRecordIsLookedAtAgainLater) {
  SendPage(3, "Joe Pimp", "later");
  BecomeNode(3);
  Fake.lock_denials = 1;
  Fake.sleeps.clear();
  CheckPages();
  EXPECT_EQ(TakeOutput(), "");
  EXPECT_EQ(NodeOnFile(3).PageFlag, 1);
  EXPECT_TRUE(Fake.sleeps.empty()) << "a key wait never waits on a page being written";
  CheckPages();
  EXPECT_EQ(TakeOutput(), "\r\n* Page from Joe Pimp: later\r\n");
}

TEST_F(PagesTest, ControlBytesFromTheFileNeverReachTheTerminal) {
  SendPage(3, "Joe\x1b[2J", "a\x07z");
  BecomeNode(3);
  CheckPages();
  EXPECT_EQ(TakeOutput(), "\r\n* Page from Joe [2J: a z\r\n");
}

TEST_F(PagesTest, ThePromptAndWhatWasTypedComeBackAfterThePage) {
  RegisterTownCommands();
  BecomeNode(3);
  DoorSession.Ansi = 1;
  WriteText("|CR|06[|09ENTER YOUR MESSAGE|06]|14: |11");
  const std::string prompt = TakeOutput().substr(2);
  QueueKeys("hi");
  QueueKeyAt(Fake.now_ms + 4000, 'x');
  QueueKeyAt(Fake.now_ms + 5000, '\r');
  SendPage(3, "Joe Pimp", "hello");
  EXPECT_EQ(InputLine(0, 10, "hix", ""), "hix");
  const std::string out = TakeOutput();
  const std::string page_end = "hello\r\n";
  const size_t page = out.find(page_end);
  ASSERT_NE(page, std::string::npos) << out;
  EXPECT_EQ(out.rfind("hi\r\n", 0), 0u) << "typed before the page came";
  // The line began in light grey; the echo of x is in the prompt's last colour.
  EXPECT_EQ(out.substr(page + page_end.size()),
            "\x1b[0;37m\x1b[40m" + prompt + "hi\x1b[1;36m\x1b[40mx\r\n");
  EXPECT_EQ(CurrentColor, 11);
}

}  // namespace

