#include "town/street.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "door/fake_host_testing.h"
#include "store/own_record.h"
#include "store/state.h"
#include "town/streets_testing.h"

namespace {

class StreetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeStreetsTestDir();
    GameSession.Player = MakeStreetsPlayer("Joe Pimp", "Joe Caller");
    GameSession.PlayerNumber = 1;
    GameSession.CurrentStreet = 4;
  }
  // The caller as he now is, on file as record 1: a purchase is paid from
  // the record as it stands there.
  void OnFile() {
    StoreStreetsPlayers({GameSession.Player});
    RememberOwnRecord(GameSession.Player);
  }
  // Gives the caller whores 1..count, each slot's values telling it apart.
  void HireWhores(int count) {
    PlayerRecord& me = GameSession.Player;
    me.WhoreCount = static_cast<uint8_t>(count);
    for (int k = 0; k < count; ++k) {
      const size_t slot = static_cast<size_t>(k);
      me.WhoreNameIndex[slot] = static_cast<uint8_t>(k + 1);
      me.WhoreRate[slot] = 300 + k;
      me.WhoreHours[slot] = static_cast<uint8_t>(7 + k);
      me.WhoreCondoms[slot] = static_cast<uint8_t>(10 + k);
      me.WhoreDays[slot] = static_cast<int16_t>(20 + k);
    }
  }
};

TEST_F(StreetTest, MoveStreetCostsTwoEvenInPlaceAndNothingForZero) {
  QueueKeys("4\r");
  MoveStreet();
  EXPECT_EQ(GameSession.CurrentStreet, 4);
  EXPECT_EQ(GameSession.TimeLeft, 198);

  QueueKeys("\r");
  MoveStreet();
  EXPECT_EQ(GameSession.TimeLeft, 198);

  QueueKeys("-5\r77\r");
  MoveStreet();
  EXPECT_EQ(GameSession.CurrentStreet, 77);
  EXPECT_EQ(GameSession.TimeLeft, 196);
  EXPECT_EQ(CountStreetsText(TakeOutput(), "Move to Which Street [1-99] : "), 4);
}

class PoliceTipTest : public StreetTest {
 protected:
  void SetUp() override {
    StreetTest::SetUp();
    rival_ = MakeStreetsPlayer("Bob Pimp", "Bob");
  }
  void Tip(std::initializer_list<int32_t> draws) {
    StoreStreetsPlayers({GameSession.Player, rival_});
    QueueKeys("N2\r");
    QueueDraws(draws);
    PoliceTip();
  }
  PlayerRecord rival_;
};

TEST_F(PoliceTipTest, FollowedTipFinesTheRivalWithoutNews) {
  rival_.Cash = 1000;
  Tip({0, 4});
  EXPECT_EQ(Fake.asked, (std::vector<int32_t>{3, 5}));
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\nYou tip the police on Bob Pimp.\r\n"
                     "They follow the tip and he gets fined $110.\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(LoadStreetsPlayers()[1].Cash, 890);
  EXPECT_TRUE(LoadStreetsNews().empty());
  EXPECT_EQ(GameSession.TimeLeft, 185);
}

TEST_F(PoliceTipTest, FineOnHugeCashDoesNotOverflow) {
  rival_.Cash = 2000000000;
  Tip({0, 4});
  EXPECT_NE(TakeOutput().find("fined $220000000."), std::string::npos);
  EXPECT_EQ(LoadStreetsPlayers()[1].Cash, 1780000000);
}

TEST_F(PoliceTipTest, HoaxLeavesTheRivalAlone) {
  rival_.Cash = 1000;
  Tip({2});
  EXPECT_EQ(Fake.asked, (std::vector<int32_t>{3}));
  EXPECT_NE(TakeOutput().find("But the police thought it was a hoax and nothing happens.\r\n"),
            std::string::npos);
  EXPECT_EQ(LoadStreetsPlayers()[1].Cash, 1000);
  EXPECT_EQ(GameSession.TimeLeft, 185);
}

TEST_F(PoliceTipTest, NoRivalChosenCostsNothing) {
  StoreStreetsPlayers({GameSession.Player, rival_});
  QueueKeys("N0\r");
  PoliceTip();
  EXPECT_TRUE(Fake.asked.empty());
  EXPECT_EQ(GameSession.TimeLeft, 200);
}

TEST_F(StreetTest, GiveCondomsOffersNoMoreThanRoomOrStock) {
  HireWhores(2);
  GameSession.Player.WhoreCondoms[1] = 95;
  GameSession.Player.CondomStock = 50;
  QueueKeys("2\r5\r4\r");
  GiveCondoms();
  std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\nSelect Whore\r\n"), std::string::npos);
  EXPECT_NE(out.find(" 2] Whore2\r\n"), std::string::npos);
  EXPECT_EQ(CountStreetsText(out, "How many condoms [1-4] : "), 2);
  EXPECT_EQ(GameSession.Player.WhoreCondoms[1], 99);
  EXPECT_EQ(GameSession.Player.CondomStock, 46);
  EXPECT_EQ(GameSession.TimeLeft, 198);

  GameSession.Player.CondomStock = 3;
  QueueKeys("1\r0\r");
  GiveCondoms();
  EXPECT_NE(TakeOutput().find("How many condoms [1-3] : "), std::string::npos);
  EXPECT_EQ(GameSession.Player.CondomStock, 3);
  EXPECT_EQ(GameSession.TimeLeft, 198);
}

TEST_F(StreetTest, GiveCondomsToAFullWhoreCostsOne) {
  HireWhores(2);
  GameSession.Player.WhoreCondoms[1] = 99;
  GameSession.Player.CondomStock = 5;
  QueueKeys("3\r2\r");
  GiveCondoms();
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\nShe already has enough condoms.\r\n"), std::string::npos);
  EXPECT_EQ(CountStreetsText(out, "[WHORE ROSTER]: "), 2);
  EXPECT_EQ(GameSession.Player.CondomStock, 5);
  EXPECT_EQ(GameSession.TimeLeft, 199);
}

TEST_F(StreetTest, GiveCondomsWithNothingToGiveNamesWhatIsMissing) {
  struct Case {
    int whores;
    int16_t stock;
    const char* message;
  };
  const Case cases[] = {{0, 0, "\r\nYou currently have no whores or condoms.\r\n"},
                        {0, 9, "\r\nYou currently have no whores.\r\n"},
                        {2, 0, "\r\nYou currently have no condoms.\r\n"},
                        {2, -4, "\r\nYou currently have no condoms.\r\n"}};
  for (const Case& c : cases) {
    HireWhores(c.whores);
    GameSession.Player.CondomStock = c.stock;
    GameSession.TimeLeft = 100;
    GiveCondoms();
    EXPECT_EQ(TakeOutput(), c.message);
    EXPECT_EQ(GameSession.TimeLeft, 99);
  }
}

TEST_F(StreetTest, WhoreHouseNeedsMoreThanThePrice) {
  GameSession.CurrentStreet = 1;
  for (int32_t cash : {0, 75}) {
    GameSession.Player.Cash = cash;
    GameSession.TimeLeft = 100;
    SetUpWhoreHouse();
    EXPECT_EQ(TakeOutput(),
              "\r\nA whore house at 1st & Main would cost $75.\r\n"
              "You do not have enough money. Go get some more.\r\n");
    EXPECT_EQ(GameSession.TimeLeft, 99);
    EXPECT_EQ(GameSession.Player.HouseStreet, 0);
  }
}

TEST_F(StreetTest, NewWhoreHouseIsPaidAndCostsThirty) {
  GameSession.Player.Cash = 1201;
  OnFile();
  QueueKeys("n");
  SetUpWhoreHouse();
  EXPECT_EQ(GameSession.TimeLeft, 200);
  EXPECT_EQ(GameSession.Player.Cash, 1201);

  QueueKeys("y");
  SetUpWhoreHouse();
  EXPECT_NE(TakeOutput().find("\r\nYou got it! You now have a whore house at 4th & Main.\r\n"),
            std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 1);
  EXPECT_EQ(GameSession.Player.HouseStreet, 4);
  EXPECT_EQ(GameSession.TimeLeft, 170);
}

TEST_F(StreetTest, MovingTheHouseSellsTheOldOne) {
  GameSession.Player.HouseStreet = 4;
  GameSession.Player.Cash = 1;
  OnFile();
  QueueKeys("Y");
  SetUpWhoreHouse();
  EXPECT_NE(TakeOutput().find("\r\nYou sell your previous whore house for $1200 and you now have a "
                              "\r\nwhore house at 4th & Main.\r\n"),
            std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 1);
  EXPECT_EQ(GameSession.TimeLeft, 170);

  // Selling a dear house for a cheap one never wraps the cash.
  GameSession.Player.HouseStreet = 99;
  GameSession.Player.Cash = 2147483000;
  QueueKeys("Y");
  SetUpWhoreHouse();
  EXPECT_EQ(GameSession.Player.Cash, 2147483647);
  EXPECT_EQ(GameSession.Player.HouseStreet, 4);
}

TEST_F(StreetTest, DisbandingMovesLaterSlotsDownWhole) {
  HireWhores(3);
  GameSession.HiresThisSession = 2;
  QueueKeys("4\r1\r");
  DisbandWhore();
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\nSelect whore to remove from your group : \r\nWhore Roster\r\n"),
            std::string::npos);
  EXPECT_NE(out.find("01] Whore1\r\n02] Whore2\r\n03] Whore3\r\n"), std::string::npos);
  EXPECT_NE(out.find("\r\nWhore1 is gone!\r\n"), std::string::npos);
  const PlayerRecord& me = GameSession.Player;
  EXPECT_EQ(me.WhoreCount, 2);
  EXPECT_EQ(me.WhoreNameIndex[0], 2);
  EXPECT_EQ(me.WhoreRate[0], 301);
  EXPECT_EQ(me.WhoreHours[0], 8);
  EXPECT_EQ(me.WhoreCondoms[0], 11);
  EXPECT_EQ(me.WhoreDays[0], 21);
  EXPECT_EQ(me.WhoreNameIndex[1], 3);
  EXPECT_EQ(me.WhoreDays[1], 22);
  EXPECT_EQ(me.WhoreNameIndex[2], 0);
  EXPECT_EQ(me.WhoreRate[2], 0);
  EXPECT_EQ(me.WhoreHours[2], 0);
  EXPECT_EQ(me.WhoreCondoms[2], 0);
  EXPECT_EQ(me.WhoreDays[2], 0);
  EXPECT_EQ(GameSession.TimeLeft, 199);
  EXPECT_EQ(GameSession.HiresThisSession, 1);
}

TEST_F(StreetTest, DisbandingTheLastLeavesTheOthersAndZeroCostsNothing) {
  HireWhores(3);
  QueueKeys("0\r");
  DisbandWhore();
  EXPECT_EQ(GameSession.Player.WhoreCount, 3);
  EXPECT_EQ(GameSession.TimeLeft, 200);

  QueueKeys("3\r");
  DisbandWhore();
  const PlayerRecord& me = GameSession.Player;
  EXPECT_EQ(me.WhoreCount, 2);
  EXPECT_EQ(me.WhoreRate[0], 300);
  EXPECT_EQ(me.WhoreRate[1], 301);
  EXPECT_EQ(me.WhoreDays[1], 21);
  EXPECT_EQ(me.WhoreNameIndex[2], 0);

  GameSession.Player.WhoreCount = 0;
  DisbandWhore();
  EXPECT_NE(TakeOutput().find("\r\nYou currently have no whores.\r\n"), std::string::npos);
}

TEST(RemoveWhoreSlot, IgnoresSlotsOutsideTheRecord) {
  PlayerRecord rival;
  rival.WhoreCount = 2;
  rival.WhoreRate = {5, 6};
  for (int k : {0, 3, -1, 21}) {
    RemoveWhoreSlot(rival, k);
    EXPECT_EQ(rival.WhoreCount, 2) << k;
  }
  RemoveWhoreSlot(rival, 2);
  EXPECT_EQ(rival.WhoreCount, 1);
  EXPECT_EQ(rival.WhoreRate[0], 5);
  EXPECT_EQ(rival.WhoreRate[1], 0);
}

}  // namespace
