// Every town screen and action against a caller's or a rival's record that
// arrives damaged from kordavin.ply: length bytes of 255, 255 whores, name
// indexes of 0 and 200, clothes of 0 and 200, a house on street 255,
// negative cash and condoms, extreme rates and days. Nothing reads outside
// its field or list, sums never wrap, and a rival's record is written back
// only by the action that changes it, with his counts held in range.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "game/damage_testing.h"
#include "store/files.h"
#include "store/presence_testing.h"
#include "store/records_testing.h"
#include "store/records.h"
#include "game/join.h"
#include "store/state.h"
#include "town/petes.h"
#include "town/raid.h"
#include "town/roster.h"
#include "town/sheinens.h"
#include "town/street.h"
#include "store/players.h"
#include "store/shared_data.h"

namespace {

const std::string kRival = "Rival One";

// A caller with $1000, a house on 10th street and no whores.
std::string PlainCaller() {
  PlayerRecord me = NewPlayer();
  me.Name = "Joe";
  me.BbsAlias = "Joe Caller";
  me.HouseStreet = 10;
  me.LastDay = 8;
  me.TimeLeft = 200;
  return DamageRecordBytes(me);
}

TEST_F(DamagedRecordsTest, WreckedCallersOwnScreensStayInRange) {
  for (uint8_t clothes : {uint8_t{0}, uint8_t{200}}) {
    SCOPED_TRACE(int{clothes});
    SeatCaller(WreckedPlayerBytes("Joe Caller", clothes) + WreckedPlayerBytes(kRival, 200));
    EXPECT_EQ(GameSession.Player.Cash, 0) << "raised at login";

    ShowWhoreStats();
    std::string out = TakeOutput();
    EXPECT_EQ(GameSession.TimeLeft, 240) << "twenty rows, no more";
    EXPECT_NE(out.find("$2147483647/Hour  255 Hours per Day   255 Condoms"), std::string::npos);
    EXPECT_NE(out.find("$-2147483648/Hour"), std::string::npos);

    ShowPlayerStats(1);
    out = TakeOutput();
    EXPECT_NE(out.find(" Kordavin Pimp Name : " + std::string(30, 'W') + "\r\n"),
              std::string::npos);
    EXPECT_NE(out.find("    Number of Whores : 20\r\n"), std::string::npos);
    EXPECT_NE(out.find(clothes == 0 ? " Best Wardrobe Piece : None\r\n"
                                    : " Best Wardrobe Piece : \r\n"),
              std::string::npos);
    EXPECT_NE(out.find("     Condoms on Hand : -32768\r\n"), std::string::npos);
    EXPECT_NE(out.find("      Pimping Corner : 255th & Main\r\n"), std::string::npos);
    EXPECT_NE(out.find("        Cash on Hand : $0\r\n"), std::string::npos);
    EXPECT_EQ(out.find('!'), std::string::npos) << "a name never reads past its field";
    // Its own save wrote the caller back with his counts in range.
    const PlayerRecord saved = DecodePlayer(reinterpret_cast<const uint8_t*>(StoredBytes(1).data()));
    EXPECT_EQ(saved.WhoreCount, 20);
    EXPECT_EQ(saved.Name, std::string(30, 'W'));
    EXPECT_EQ(StoredBytes(2), WreckedPlayerBytes(kRival, 200)) << "the rival is only read";

    ShowRankings();
    out = TakeOutput();
    EXPECT_NE(out.find("20 Whores"), std::string::npos);
    EXPECT_EQ(out.find('!'), std::string::npos);
    EXPECT_EQ(StoredBytes(2), WreckedPlayerBytes(kRival, 200));
  }
}

TEST_F(DamagedRecordsTest, WreckedCallerAtTheRestaurantAndAtStiffPetes) {
  SeatCaller(WreckedPlayerBytes("Joe Caller", 200) + WreckedPlayerBytes(kRival, 200));
  GameSession.TimeLeft = 200;

  GiveCondoms();
  EXPECT_EQ(TakeOutput(), "\r\nYou currently have no condoms.\r\n") << "a negative stock is none";
  TalkToWomen();
  EXPECT_NE(TakeOutput().find("You already have 20 whores."), std::string::npos);
  EXPECT_EQ(GameSession.Player.WhoreCount, 20);

  ShowWardrobe();
  std::string out = TakeOutput();
  EXPECT_NE(out.find("10] Diamond-Studded Mink & Crown"), std::string::npos);
  EXPECT_EQ(out.find("11]"), std::string::npos);
  BuyClothes();
  EXPECT_NE(TakeOutput().find("Stiff Pete has nothing to offer you."), std::string::npos);
  EXPECT_EQ(GameSession.Player.ClothesLevel, 200);

  // Condoms: the shelf counts from the negative stock, the wallet decides.
  BuyCondoms();
  EXPECT_NE(TakeOutput().find("Stiff Pete has no condoms for sale."), std::string::npos);
  GameSession.Player.Cash = 1000;
  QueueKeys("100\r");
  BuyCondoms();
  EXPECT_NE(TakeOutput().find("[100 Max]"), std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 0);
  EXPECT_EQ(GameSession.Player.CondomStock, -32668);

  // The agent's fee comes from a worth the damage made negative: it is
  // nothing, never a payment to the caller.
  GameSession.Player.Cash = 10;
  QueueKeys("N");
  HireAgent();
  EXPECT_NE(TakeOutput().find("\"Give me $0.\""), std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 10);

  QueueKeys("20\r");
  DisbandWhore();
  EXPECT_EQ(GameSession.Player.WhoreCount, 19);
  EXPECT_EQ(StoredBytes(2), WreckedPlayerBytes(kRival, 200));
}

TEST_F(DamagedRecordsTest, WreckedRivalIsListedExaminedAndRankedWithoutAWrite) {
  SeatCaller(PlainCaller() + WreckedPlayerBytes(kRival, 200));
  QueueKeys("Y" "0\r");
  EXPECT_EQ(SelectRival(), -1);
  std::string out = TakeOutput();
  EXPECT_NE(out.find("2] " + std::string(30, 'W') + "\r\n"), std::string::npos);
  EXPECT_EQ(out.find('!'), std::string::npos);

  ShowPlayerStats(2);
  out = TakeOutput();
  EXPECT_NE(out.find("Bulletin Board Alias : Rival One\r\n"), std::string::npos);
  EXPECT_NE(out.find("    Number of Whores : 20\r\n"), std::string::npos);
  EXPECT_NE(out.find("      Pimping Corner : 255th & Main\r\n"), std::string::npos);
  ASSERT_EQ(ReadNewsFile(dir_).size(), 1u);
  EXPECT_EQ(ReadNewsFile(dir_)[0].To, kRival);

  ShowRankings();
  out = TakeOutput();
  // Twenty times 255 hours at the highest and the lowest rates, in 64 bits.
  EXPECT_NE(out.find("$    -2555"), std::string::npos) << out;
  EXPECT_EQ(StoredBytes(2), WreckedPlayerBytes(kRival, 200));
}

TEST_F(DamagedRecordsTest, RaidsOnAWreckedRivalStoreHimInRange) {
  // Lured away: his first whore, unnamed, comes over whole.
  SeatCaller(PlainCaller() + WreckedPlayerBytes(kRival, 200));
  QueueKeys("n" "2\r" "W");
  QueueDraws({0});
  StealFromPimp();
  std::string out = TakeOutput();
  EXPECT_EQ(out.find("[M]oney"), std::string::npos) << "his negative cash is nothing to steal";
  PlayerRecord rival = DecodePlayer(reinterpret_cast<const uint8_t*>(StoredBytes(2).data()));
  EXPECT_EQ(rival.WhoreCount, 19);
  EXPECT_EQ(rival.Name, std::string(30, 'W'));
  EXPECT_EQ(GameSession.Player.WhoreCount, 1);
  EXPECT_EQ(GameSession.Player.WhoreRate[0], 2147483647);
  ASSERT_EQ(ReadNewsFile(dir_).size(), 1u);
  EXPECT_EQ(ReadNewsFile(dir_)[0].Line1, " left you to work for Joe.");

  // Burnt out of street 255: he lands on a street that exists.
  SeatCaller(PlainCaller() + WreckedPlayerBytes(kRival, 200));
  QueueKeys("n" "2\r");
  QueueDraws({0});
  FirebombHouse();
  rival = DecodePlayer(reinterpret_cast<const uint8_t*>(StoredBytes(2).data()));
  EXPECT_EQ(rival.HouseStreet, 99);
  EXPECT_EQ(ReadNewsFile(dir_).back().Line1,
            "Your whore house was fire bombed. You were forced to relocate to 99th & Main.");

  // A tip on negative cash fines nothing and stores the cash as none.
  SeatCaller(PlainCaller() + WreckedPlayerBytes(kRival, 200));
  QueueKeys("n" "2\r");
  QueueDraws({0, 4});
  PoliceTip();
  EXPECT_NE(TakeOutput().find("he gets fined $0."), std::string::npos);
  rival = DecodePlayer(reinterpret_cast<const uint8_t*>(StoredBytes(2).data()));
  EXPECT_EQ(rival.Cash, 0);

  // The agent on a whore with 255 condoms: odds of one in twelve.
  SeatCaller(PlainCaller() + WreckedPlayerBytes(kRival, 200));
  QueueKeys("Y" "n" "2\r" "2\r");
  QueueDraws({0});
  HireAgent();
  EXPECT_EQ(Fake.asked.back(), 12);
  rival = DecodePlayer(reinterpret_cast<const uint8_t*>(StoredBytes(2).data()));
  EXPECT_EQ(rival.WhoreCount, 19);
  EXPECT_EQ(GameSession.Player.Cash, 980);
  const PlayerRecord caller = DecodePlayer(reinterpret_cast<const uint8_t*>(StoredBytes(1).data()));
  EXPECT_EQ(caller.Cash, 980) << "the fee is stored in the step that changed him";
  EXPECT_EQ(caller.TimeLeft, 185);
}

TEST_F(DamagedRecordsTest, PartialLastRecordIsLeftOutOfListsAndNeverWrittenInto) {
  const std::string cut = PlainCaller().substr(0, 100);
  SeatCaller(PlainCaller() + WreckedPlayerBytes(kRival, 200) + cut);
  EXPECT_EQ(CountPlayers(), 2);
  ShowRankings();
  std::string out = TakeOutput();
  EXPECT_NE(out.find(" 2] "), std::string::npos);
  EXPECT_EQ(out.find(" 3] "), std::string::npos);

  QueueKeys("Y" "3\r" "2\r" "W");
  QueueDraws({0});
  StealFromPimp();
  out = TakeOutput();
  EXPECT_EQ(out.find("3] "), std::string::npos) << "only whole records are listed";
  const std::string file = ReadDamageFile("kordavin.ply");
  ASSERT_EQ(file.size(), 2 * kPlayerRecordSize + cut.size());
  EXPECT_EQ(file.substr(2 * kPlayerRecordSize), cut);
  EXPECT_EQ(DecodePlayer(reinterpret_cast<const uint8_t*>(file.data() + kPlayerRecordSize))
                .WhoreCount,
            19);
}

TEST_F(DamagedRecordsTest, PresenceFilesCutOrMisshapenAreReadWithinTheirRecord) {
  NodeRecord on;
  on.Name = std::string(30, 'N');
  const NodeBytes record = EncodeNode(on);
  std::string block(reinterpret_cast<const char*>(record.data()), record.size());
  block.resize(kNodeFileSize, '\0');
  block[0] = '\xFF';
  block[31] = '!';  // the page flag, right after the name's field
  WriteDamageFile("kordavin.1", block);
  HoldPresence(dir_ + "kordavin.1");
  ASSERT_EQ(mkdir((dir_ + "kordavin.2").c_str(), 0755), 0);
  ShowWhoIsOn();
  std::string out = TakeOutput();
  EXPECT_NE(out.find("1] " + std::string(30, 'N') + "\r\n"), std::string::npos);
  EXPECT_EQ(out.find("2]"), std::string::npos) << "a directory is nobody";
  EXPECT_EQ(out.find('!'), std::string::npos);

  // A cut-off file holds no name, even while a session holds it: nobody is
  // listed for it, and nobody's session ends over a courtesy file.
  WriteDamageFile("kordavin.3", "cut short");
  HoldPresence(dir_ + "kordavin.3");
  ShowWhoIsOn();
  out = TakeOutput();
  EXPECT_EQ(out.find("3]"), std::string::npos) << out;
  EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
  EXPECT_EQ(ReadDamageFile("kordavin.3"), "cut short");
  ReleasePresence(dir_ + "kordavin.1");
  ReleasePresence(dir_ + "kordavin.3");
}

}  // namespace
