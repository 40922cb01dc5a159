// Another node changes the rival's record while this caller sits at a prompt:
// the attack works on the record as it is when the key comes, and keeps what
// the other node stored.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "door/fake_host_testing.h"
#include "door/output.h"
#include "door/session.h"
#include "store/files.h"
#include "store/own_record.h"
#include "store/state.h"
#include "store/store.h"
#include "town/raid.h"
#include "town/petes.h"
#include "town/raid_testing.h"
#include "town/sheinens.h"
#include "town/street.h"

namespace {

class RivalChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeRaidTestDir();
    caller_ = MakeRaidTestPlayer("Slick", "Caller One");
    caller_.Cash = 10000;
    caller_.HouseStreet = 12;
    victim_ = MakeRaidTestPlayer("Big Al", "Rival Two");
    victim_.Cash = 6000;
    GiveRaidTestWhores(victim_, 3, 5, 0);
  }
  void TearDown() override { RemoveRaidTestDir(dir_); }
  void Reset() {
    TearDown();
    SetUp();
  }

  // Plays the action with the keys and draws; when the prompt is first on
  // the screen, the rival's record is changed on disk as another node would.
  // whose is 2 for the rival, 1 for the caller himself.
  void Play(void (*action)(), const std::string& keys, std::initializer_list<int32_t> draws,
            const std::string& prompt, const std::function<void(PlayerRecord&)>& elsewhere,
            int16_t whose = 2) {
    SetRaidTestCaller(dir_, caller_);
    AddRaidTestPlayer(dir_, victim_);
    if (whose == 1) RememberOwnRecord(caller_);
    bool done = false;
    Fake.before_read = [&] {
      // Keys typed ahead are read before the screen is sent; the other node
      // acts once the caller has the prompt in front of him.
      FlushOutput();
      if (done || Fake.output.find(prompt) == std::string::npos) return;
      done = true;
      PlayerRecord changed = ReadRaidTestPlayer(dir_, whose);
      elsewhere(changed);
      StoreRaidTestPlayer(dir_, whose, changed);
      stored_ = changed;
    };
    QueueKeys(keys);
    QueueDraws(draws);
    action();
    Fake.before_read = nullptr;
    EXPECT_TRUE(done) << "the prompt never came: " << prompt;
    output_ = TakeOutput();
  }
  bool Shown(const std::string& text) const { return output_.find(text) != std::string::npos; }
  PlayerRecord Victim() const { return ReadRaidTestPlayer(dir_, 2); }

  std::string dir_;
  PlayerRecord caller_;
  PlayerRecord victim_;
  PlayerRecord stored_;  // the rival as the other node left him
  std::string output_;
};

constexpr char kStealPrompt[] = "or [Q]uit : ";
constexpr char kAgentKeys[] = "YN2\r";
constexpr char kWhorePrompt[] = "[WHORE ROSTER]: ";

TEST_F(RivalChangeTest, TheftKeepsWhatOthersStoredWhileTheCallerChose) {
  // He saved new cash and condoms of his own: the sixth comes out of the new
  // sum, the condoms stay, and no dollar appears or vanishes.
  Play(StealFromPimp, "N2\rM", {0}, kStealPrompt, [](PlayerRecord& him) {
    him.Cash = 9000;
    him.CondomStock = 7;
  });
  EXPECT_TRUE(Shown("the wallet and find $1550.\r\n"));
  EXPECT_EQ(Victim().Cash, 7450);
  EXPECT_EQ(Victim().CondomStock, 7);
  EXPECT_EQ(int64_t{Victim().Cash} + GameSession.Player.Cash, 9000 + 10000);
  EXPECT_EQ(ReadRaidTestNews(dir_)[0].Line1, "Someone stole $1550 from you.");

  // The knife hands the caller's cash to what he has now.
  Reset();
  Play(StealFromPimp, "N2\rM", {9}, kStealPrompt, [](PlayerRecord& him) { him.Cash = 2500; });
  EXPECT_EQ(Victim().Cash, 12500);
  EXPECT_EQ(GameSession.Player.Cash, 0);

  // A third caller lured his first whore away: the caller gets the one who
  // is first now, and the third caller's theft stands.
  Reset();
  Play(StealFromPimp, "N2\rW", {0}, kStealPrompt,
       [](PlayerRecord& him) { RemoveWhoreSlot(him, 1); });
  ASSERT_EQ(Victim().WhoreCount, 1);
  EXPECT_EQ(Victim().WhoreNameIndex[0], 7);
  ASSERT_EQ(GameSession.Player.WhoreCount, 1);
  EXPECT_EQ(GameSession.Player.WhoreNameIndex[0], 6);
  EXPECT_EQ(ReadRaidTestNews(dir_)[0].Line1, "Girl6 left you to work for Slick.");
}

// Another node robs the caller himself while a price is on his screen: what
// he agreed to is paid from his record as it stands, or not at all - no
// goods, no fee, no time - and he is told his cash as it stands.
TEST_F(RivalChangeTest, APriceIsPaidFromTheCashAsItStandsOrNotAtAll) {
  struct Case {
    void (*action)();
    const char* keys;
    const char* prompt;
    int32_t cash, robbed_to, left;  // left: his cash after, -1 when refused
  };
  const Case cases[] = {
      {BuyClothes, "Y", "[Y/N] ", 20000, 16617, -1},
      {BuyClothes, "Y", "[Y/N] ", 30000, 26617, 6617},
      {BuyCondoms, "100\r", "Max] : ", 1000, 784, -1},
      {SetUpWhoreHouse, "Y", "[Y/N] ", 7501, 6201, -1},
      {HireAgent, "YN2\r1\r", kWhorePrompt, 20000, 100, -1},
  };
  for (const Case& c : cases) {
    Reset();
    caller_.Cash = c.cash;
    caller_.HouseStreet = 0;
    GameSession.CurrentStreet = 10;
    Play(c.action, c.keys, {}, c.prompt, [&c](PlayerRecord& me) { me.Cash = c.robbed_to; }, 1);
    const PlayerRecord mine = ReadRaidTestPlayer(dir_, 1);
    EXPECT_EQ(GameSession.Player.Cash, mine.Cash) << c.keys << c.cash;
    if (c.left >= 0) {
      EXPECT_EQ(mine.Cash, c.left) << output_;
      EXPECT_EQ(mine.ClothesLevel, 2);
      continue;
    }
    EXPECT_TRUE(Shown("You no longer have that much money: you have $" +
                      std::to_string(c.robbed_to) + " now.\r\n"))
        << output_;
    EXPECT_EQ(EncodePlayer(mine), EncodePlayer(stored_)) << "nothing moved: " << output_;
    EXPECT_EQ(GameSession.TimeLeft, 200) << "no time is paid for what was not bought";
    EXPECT_EQ(EncodePlayer(Victim()), EncodePlayer(victim_));
    EXPECT_TRUE(ReadRaidTestNews(dir_).empty());
  }

  // Robbed of all but $2,500 at the steal prompt, he is caught with the
  // knife: he hands over what he has now, and no dollar is made.
  Reset();
  Play(StealFromPimp, "N2\rM", {9}, kStealPrompt, [](PlayerRecord& me) { me.Cash = 2500; }, 1);
  EXPECT_EQ(Victim().Cash, 6000 + 2500);
  EXPECT_EQ(ReadRaidTestPlayer(dir_, 1).Cash, 0);

  // The bar is won only with its price on file.
  Reset();
  caller_.Cash = 5'000'001;
  caller_.ClothesLevel = 10;
  caller_.AteFlameBurger = 1;
  SetRaidTestCaller(dir_, caller_);
  RememberOwnRecord(caller_);
  PlayerRecord robbed = caller_;
  robbed.Cash = 4'166'618;
  StoreRaidTestPlayer(dir_, 1, robbed);
  BuyTheBar();
  EXPECT_EQ(ReadRaidTestConfig(dir_).WinnerName, "");
  EXPECT_EQ(GameSession.Player.Cash, 4'166'618);
  EXPECT_NE(TakeOutput().find("you have $4166618 now."), std::string::npos);
}

TEST_F(RivalChangeTest, WhatIsGoneByTheKeyIsToldAndNothingIsWritten) {
  struct Case {
    const char* key;
    int32_t cash;
    int whores;
    const char* said;
  };
  for (const Case c : {Case{"M", 0, 0, "He has no money, and no whores.\r\n"},
                       Case{"M", 0, 2, "He has no money.\r\n"},
                       Case{"W", 300, 0, "He has no whores.\r\n"},
                       Case{"W", 0, 0, "He has no money, and no whores.\r\n"}}) {
    Reset();
    Play(StealFromPimp, std::string("N2\r") + c.key, {}, kStealPrompt, [&c](PlayerRecord& him) {
      him.Cash = c.cash;
      while (him.WhoreCount > c.whores) RemoveWhoreSlot(him, 1);
      him.CondomStock = 3;
    });
    EXPECT_TRUE(Shown(c.said)) << c.key << " " << c.cash << "\n" << output_;
    EXPECT_EQ(EncodePlayer(Victim()), EncodePlayer(stored_));
    EXPECT_EQ(GameSession.Player.Cash, 10000);
    EXPECT_EQ(GameSession.Player.WhoreCount, 0);
    EXPECT_EQ(GameSession.TimeLeft, 200) << "nothing tried, nothing spent";
    EXPECT_TRUE(Fake.asked.empty());
    EXPECT_TRUE(ReadRaidTestNews(dir_).empty());
  }
}


TEST_F(RivalChangeTest, AgentFindsTheChosenWhoreWhereSheIsNow) {
  // Girl5 was lured away while the list was on the screen: Girl6, chosen as
  // the second, is now his first, and she is the one who leaves.
  Play(HireAgent, std::string(kAgentKeys) + "2\r", {0}, kWhorePrompt,
       [](PlayerRecord& him) { RemoveWhoreSlot(him, 1); });
  ASSERT_EQ(Victim().WhoreCount, 1);
  EXPECT_EQ(Victim().WhoreNameIndex[0], 7);
  const auto news = ReadRaidTestNews(dir_);
  ASSERT_EQ(news.size(), 2u);
  EXPECT_EQ(news[1].Line1, "Girl6 got pregnant. She is permantly \"out of service\".");
  EXPECT_LT(GameSession.Player.Cash, 10000) << "the fee is paid";

  // The chosen one herself is gone: the man leaves, unpaid, and his record
  // stays as the other node wrote it.
  Reset();
  Play(HireAgent, std::string(kAgentKeys) + "1\r", {}, kWhorePrompt, [](PlayerRecord& him) {
    RemoveWhoreSlot(him, 1);
    him.Cash = 4321;
  });
  EXPECT_TRUE(Shown("The horny man just left the restaurant.\r\n"));
  EXPECT_FALSE(Shown("pin hole"));
  EXPECT_EQ(EncodePlayer(Victim()), EncodePlayer(stored_));
  EXPECT_EQ(GameSession.Player.Cash, 10000);
  EXPECT_EQ(GameSession.TimeLeft, 200);
  EXPECT_TRUE(ReadRaidTestNews(dir_).empty());
}

// A hang-up may land at any instant the door lets it in. Ending the door at
// every lock of the news file taken with hang-ups let in shows where one
// could fall between the agent's step and its news: his whore would be
// gone with nobody told, and the fee paid without its report.
int (*real_lock)(int, bool) = nullptr;

int KillAtAnOpenNewsLock(int fd, bool exclusive) {
  sigset_t blocked;
  sigprocmask(SIG_BLOCK, nullptr, &blocked);
  char path[4096] = {};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(link.c_str(), path, sizeof path - 1);
  const std::string name(path, length > 0 ? static_cast<size_t>(length) : 0);
  const bool news = name.size() >= 12 && name.compare(name.size() - 12, 12, "kordavin.msg") == 0;
  if (exclusive && news && sigismember(&blocked, SIGHUP) != 1) throw SessionEnded{0};
  return real_lock(fd, exclusive);
}

TEST_F(RivalChangeTest, TheAgentsNewsIsPartOfHisStep) {
  SetRaidTestCaller(dir_, caller_);
  AddRaidTestPlayer(dir_, victim_);
  QueueKeys(std::string(kAgentKeys) + "1\r");
  QueueDraws({0});
  real_lock = Host.LockFile;
  Host.LockFile = KillAtAnOpenNewsLock;
  try {
    HireAgent();
  } catch (const SessionEnded&) {
    ADD_FAILURE() << "a hang-up could fall between the step and its news";
  }
  Host.LockFile = real_lock;
  EXPECT_EQ(Victim().WhoreCount, 2);
  EXPECT_LT(ReadRaidTestPlayer(dir_, 1).Cash, 10000) << "the fee is stored with his change";
  const auto news = ReadRaidTestNews(dir_);
  ASSERT_EQ(news.size(), 2u);
  EXPECT_EQ(news[0].Line1, "The horny man you hired was succesful in getting Girl5 pregnant.");
  EXPECT_EQ(news[1].Line1, "Girl5 got pregnant. She is permantly \"out of service\".");
}

// The caller's line stalls as the outcome goes out and he hangs up there:
// the kill comes at the first send of the outcome. By then his record and
// the rival's are on disk together, the action's time paid, its news posted.
bool (*real_write)(const char*, size_t) = nullptr;
const char* kill_marker = "";
bool sent_with_hangups_held = false;

bool KillAtTheOutcome(const char* data, size_t length) {
  sigset_t blocked;
  sigprocmask(SIG_BLOCK, nullptr, &blocked);
  if (sigismember(&blocked, SIGHUP) == 1) sent_with_hangups_held = true;
  if (std::string(data, length).find(kill_marker) != std::string::npos) throw SessionEnded{0};
  return real_write(data, length);
}

TEST_F(RivalChangeTest, AHangUpAsTheOutcomeGoesOutFindsBothRecordsChanged) {
  struct Case {
    void (*action)();
    const char* keys;
    std::initializer_list<int32_t> draws;
    const char* marker;
    int32_t victim_cash, caller_cash;
    int victim_whores, caller_whores;
    int victim_street;
    int16_t time_left;
    size_t news;
  };
  const Case cases[] = {
      {StealFromPimp, "N2\rM", {0}, "the wallet and find $1050.", 4950, 11050, 3, 0, 40, 185, 1},
      {StealFromPimp, "N2\rM", {9}, "He pulls out a knife", 16000, 0, 3, 0, 40, 185, 1},
      {StealFromPimp, "N2\rW", {0}, "I'll be at your corner", 6000, 10000, 2, 1, 40, 185, 1},
      {FirebombHouse, "N2\r", {0}, "went up in flames", 6000, 10000, 3, 0, 34, 170, 1},
      {PoliceTip, "N2\r", {0, 2}, "he gets fined $540.", 5460, 10000, 3, 0, 40, 185, 0},
  };
  for (const Case& c : cases) {
    Reset();
    victim_.HouseStreet = 40;
    DoorSession.BeforeWait = StoreOwnRecord;
    DoorSession.BeforeSend = StoreCallerBeforeSend;
    SetRaidTestCaller(dir_, caller_);
    AddRaidTestPlayer(dir_, victim_);
    QueueKeys(c.keys);
    QueueDraws(c.draws);
    real_write = Host.WriteBytes;
    Host.WriteBytes = KillAtTheOutcome;
    kill_marker = c.marker;
    sent_with_hangups_held = false;
    EXPECT_THROW(
        {
          c.action();
          FlushOutput();
        },
        SessionEnded)
        << c.marker;
    Host.WriteBytes = real_write;
    DoorSession.BeforeWait = nullptr;
    DoorSession.BeforeSend = nullptr;
    const PlayerRecord victim = Victim();
    const PlayerRecord caller = ReadRaidTestPlayer(dir_, 1);
    EXPECT_EQ(victim.Cash, c.victim_cash) << c.marker;
    EXPECT_EQ(victim.WhoreCount, c.victim_whores) << c.marker;
    EXPECT_EQ(victim.HouseStreet, c.victim_street) << c.marker;
    EXPECT_EQ(caller.Cash, c.caller_cash) << c.marker;
    EXPECT_EQ(caller.WhoreCount, c.caller_whores) << c.marker;
    EXPECT_EQ(caller.TimeLeft, c.time_left) << c.marker;
    EXPECT_EQ(ReadRaidTestNews(dir_).size(), c.news) << c.marker;
    EXPECT_FALSE(sent_with_hangups_held) << c.marker;
  }
}

}  // namespace
