// The packet reader facing whatever arrives from another board.
#include "league/packet.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>

#include "door/scratch_testing.h"
#include "league/keys.h"

namespace {

ScorePacket SamplePacket() {
  ScorePacket packet;
  packet.league = "PIMPNET";
  packet.board = 7;
  packet.sequence = 42;
  packet.date = 1796800000;
  packet.board_name = "The Board";
  packet.winner = "Slick Rick";
  packet.win_date = 1796700000;
  packet.game = 3;
  packet.players = {{"Slick Rick", 5000001, 0, 99, 10, 5000001},
                    {"Mack Daddy", 1200, 3, 12, 2, 1200 + 3 * kMostWhoreEarning}};
  return packet;
}

class LeaguePacketReader : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartSodium());
    MakeTestKey();
    bytes_ = SignPacket(EncodeScorePacket(SamplePacket()), secret_);
  }
  void MakeTestKey() {
    dir_ = MakeScratchDir("league") + "/";
    std::string error;
    ASSERT_TRUE(MakeKeyFiles(dir_, public_, error)) << error;
    ASSERT_TRUE(LoadSecretKey(dir_, secret_, error)) << error;
  }

  std::string dir_;
  PublicKey public_{};
  SecretKey secret_{};
  std::string bytes_;
};

TEST_F(LeaguePacketReader, ReadsBackWhatWasWrittenAndTheSignatureCoversEveryByte) {
  ScorePacket read;
  ASSERT_EQ(DecodeScorePacket(bytes_, read), PacketFault::kNone);
  EXPECT_EQ(read.board_name, "The Board");
  EXPECT_EQ(read.winner, "Slick Rick");
  ASSERT_EQ(read.players.size(), 2u);
  EXPECT_EQ(read.players[1].name, "Mack Daddy");
  EXPECT_EQ(read.players[1].worth, 1200 + 3 * kMostWhoreEarning);
  EXPECT_EQ(read.game, 3u);
  EXPECT_TRUE(SignatureMatches(bytes_, public_));
  for (size_t at = 0; at < bytes_.size(); ++at) {
    std::string altered = bytes_;
    altered[at] ^= 0x20;
    EXPECT_FALSE(SignatureMatches(altered, public_)) << "byte " << at;
  }
}

TEST_F(LeaguePacketReader, EveryCutIsRefusedAndNothingReadsPastTheEnd) {
  ScorePacket read;
  for (size_t size = 0; size < bytes_.size(); ++size) {
    const PacketFault fault = DecodeScorePacket(std::string_view(bytes_).substr(0, size), read);
    EXPECT_NE(fault, PacketFault::kNone) << "cut to " << size;
  }
  // Cut inside the players: the body's counts no longer fit what is left.
  EXPECT_EQ(DecodeScorePacket(bytes_.substr(0, bytes_.size() - 20), read), PacketFault::kTruncated);
  EXPECT_EQ(DecodeScorePacket(bytes_ + "x", read), PacketFault::kOutOfRange);
  EXPECT_EQ(DecodeScorePacket(std::string(kMaxPacketBytes + 1, 'K'), read), PacketFault::kTooLarge);
  EXPECT_EQ(DecodeScorePacket("KDLM" + bytes_.substr(4), read), PacketFault::kNotAPacket);
}

TEST_F(LeaguePacketReader, ValuesOutsideTheGamesRangesAreRefused) {
  const std::pair<const char*, void (*)(ScorePacket&)> cases[] = {
      {"negative cash", [](ScorePacket& p) { p.players[0].cash = -1; }},
      {"21 whores", [](ScorePacket& p) { p.players[0].whores = 21; }},
      {"street 100", [](ScorePacket& p) { p.players[0].house = 100; }},
      {"wardrobe 0", [](ScorePacket& p) { p.players[0].wardrobe = 0; }},
      {"wardrobe 11", [](ScorePacket& p) { p.players[0].wardrobe = 11; }},
      {"board 0", [](ScorePacket& p) { p.board = 0; }},
      {"sequence 0", [](ScorePacket& p) { p.sequence = 0; }},
      {"colour codes in a name", [](ScorePacket& p) { p.players[1].name = "|16|CRBoom"; }},
      {"an escape in a name", [](ScorePacket& p) { p.players[1].name = "\x1b[2J"; }},
      {"an empty name", [](ScorePacket& p) { p.players[1].name = ""; }},
      {"a winner without a date", [](ScorePacket& p) { p.win_date = 0; }},
      {"a league id with a slash", [](ScorePacket& p) { p.league = "A/B"; }},
      // Worth is cash and the whores' day: never below the cash, never past
      // what twenty whores at the top rate bring.
      {"worth below cash", [](ScorePacket& p) { p.players[1].worth = 1199; }},
      {"worth past the whores' reach",
       [](ScorePacket& p) { p.players[1].worth = 1200 + 3 * kMostWhoreEarning + 1; }},
      {"worth of 2^63-1", [](ScorePacket& p) { p.players[0].worth = INT64_MAX; }},
      {"a date before 2000", [](ScorePacket& p) { p.date = 0; }},
      {"a win date of 2^63-1", [](ScorePacket& p) { p.win_date = INT64_MAX; }},
      {"a win after the packet", [](ScorePacket& p) { p.win_date = p.date + 1; }},
  };
  for (const auto& [what, change] : cases) {
    ScorePacket packet = SamplePacket();
    change(packet);
    ScorePacket read;
    EXPECT_EQ(DecodeScorePacket(SignPacket(EncodeScorePacket(packet), secret_), read),
              PacketFault::kOutOfRange)
        << what;
  }
}

// The names go into kordavin.league, whose reader trims every value.
TEST_F(LeaguePacketReader, AMemberListWithANameThatWouldNotReadBackIsRefused) {
  MemberList list{2, "PIMPNET", 1, 5, 1796800000, "Pimp Net", 1, 1796700000, 0,
                  {{1, "Board One", "21:1/100", {}}, {2, "Board Two", "21:1/200", {}}}};
  MemberList read;
  EXPECT_EQ(DecodeMemberList(SignPacket(EncodeMemberList(list), secret_), read), PacketFault::kNone);
  for (std::string* name : {&list.members[1].name, &list.league_name}) {
    const std::string kept = *name;
    for (const std::string& edged : {" " + kept, kept + " "}) {
      *name = edged;
      EXPECT_EQ(DecodeMemberList(SignPacket(EncodeMemberList(list), secret_), read),
                PacketFault::kOutOfRange)
          << "'" << edged << "'";
    }
    *name = kept;
  }
}

// Boards upgrade one at a time: a packet from before league games still reads.
TEST_F(LeaguePacketReader, APacketOfTheFormerFormatStillReads) {
  ScorePacket old = SamplePacket();
  old.format = 1;
  old.game = 0;
  ScorePacket read;
  const std::string bytes = SignPacket(EncodeScorePacket(old), secret_);
  ASSERT_EQ(DecodeScorePacket(bytes, read), PacketFault::kNone);
  EXPECT_EQ(read.format, 1);
  EXPECT_EQ(read.players[1].name, "Mack Daddy");
  EXPECT_EQ(bytes.size() + 4, SignPacket(EncodeScorePacket(SamplePacket()), secret_).size());
}

TEST_F(LeaguePacketReader, ASecretKeyOthersMayReadIsNeverUsed) {
  SecretKey key{};
  std::string error;
  ASSERT_EQ(chmod((dir_ + kSecretKeyFile).c_str(), 0640), 0);
  EXPECT_FALSE(LoadSecretKey(dir_, key, error));
  EXPECT_NE(error.find("may be read by others"), std::string::npos) << error;
  // Nor is a new key made over it: members know the old public key.
  PublicKey made{};
  EXPECT_FALSE(MakeKeyFiles(dir_, made, error));
}

}  // namespace

namespace {

// The two kinds a board on the release before never picks up read back as
// written, every cut of them is refused, and a hall of fame whose names
// would not read back from kordavin.league is refused whole.
TEST_F(LeaguePacketReader, StillHereAndHallOfFameReadBackAndRefuseWhatTheSettingsCannotHold) {
  const StillHere here{"PIMPNET", 4, 9, 1796800000, 2, 77, 88, {{1, 5, 1796790000}, {4, 6, 0}}};
  const std::string heard = SignPacket(EncodeStillHere(here), secret_);
  StillHere read_here;
  ASSERT_EQ(DecodeStillHere(heard, read_here), PacketFault::kNone);
  EXPECT_EQ(read_here.fame_sequence, 88u);
  ASSERT_EQ(read_here.boards.size(), 2u);
  EXPECT_EQ(read_here.boards[0].heard, 1796790000);
  EXPECT_TRUE(LooksLikeStillHere(heard) && !LooksLikeFameList(heard));
  FameList fame{"PIMPNET", 1, 3, 1796800000, {{1, 1796000000, 1796500000, 2, 5000001, "Mack Daddy", "The Second BBS"}}};
  const std::string signed_fame = SignPacket(EncodeFameList(fame), secret_);
  FameList read_fame;
  ASSERT_EQ(DecodeFameList(signed_fame, read_fame), PacketFault::kNone);
  EXPECT_EQ(read_fame.games[0].pimp, "Mack Daddy");
  EXPECT_EQ(read_fame.games[0].end, 1796500000);
  for (const std::string* bytes : {&heard, &signed_fame}) {
    for (size_t size = 0; size < bytes->size(); ++size) {
      const std::string cut = bytes->substr(0, size);
      EXPECT_NE(bytes == &heard ? DecodeStillHere(cut, read_here) : DecodeFameList(cut, read_fame),
                PacketFault::kNone) << size;
    }
  }
  fame.games[0].pimp = "Mack Daddy ";
  EXPECT_EQ(DecodeFameList(SignPacket(EncodeFameList(fame), secret_), read_fame),
            PacketFault::kOutOfRange);
}

}  // namespace
