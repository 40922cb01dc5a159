// League files arrive from other boards through a mailer: anything at all
// may be in the inbound. The reader must refuse what it cannot read without
// reading past the bytes, and what it accepts must be exactly what was sent:
// encoded again it gives the same bytes, so the signature checked is over
// what the league keeps. A stored standings record, damaged by hand, must
// decode within its ranges.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_host.h"
#include "league/packet.h"
#include "store/league_data.h"
#include "store/rules.h"

namespace {

void CheckScorePacket(std::string_view bytes) {
  ScorePacket packet;
  if (DecodeScorePacket(bytes, packet) != PacketFault::kNone) return;
  FuzzCheck(packet.players.size() <= kMaxPacketPlayers, "more players than a packet holds");
  FuzzCheck(bytes.size() <= kMaxPacketBytes, "a packet over the size limit accepted");
  const std::string again = EncodeScorePacket(packet);
  FuzzCheck(again == bytes.substr(0, bytes.size() - kSignatureBytes),
            "an accepted packet is not what its bytes say");
  for (const LeaguePlayer& player : packet.players) {
    FuzzCheck(IsPlainName(player.name) && !player.name.empty(), "a name that could steer a screen");
  }
}

void CheckMemberList(std::string_view bytes) {
  MemberList list;
  if (DecodeMemberList(bytes, list) != PacketFault::kNone) return;
  const std::string again = EncodeMemberList(list);
  FuzzCheck(again == bytes.substr(0, bytes.size() - kSignatureBytes),
            "an accepted member list is not what its bytes say");
}

void CheckStandings(const uint8_t* data, size_t size) {
  std::vector<uint8_t> record(data, data + std::min(size, kStandingsRecordSize));
  const ScorePacket standings = DecodeStandings(record.data(), record.size(), kMaxPacketPlayers);
  FuzzCheck(standings.board_name.size() <= kMaxBoardNameLength, "a board name past its field");
  FuzzCheck(standings.total_worth >= 0, "a negative worth for a board");
  for (const LeaguePlayer& player : standings.players) {
    FuzzCheck(IsPlainName(player.name), "a stored name that could steer a screen");
    FuzzCheck(player.whores <= kMaxWhores && player.house <= kLastStreet && player.wardrobe >= 1 &&
                  player.wardrobe <= kTopClothesLevel && player.cash >= 0 && player.worth >= 0,
              "a stored player out of range");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Its own buffer, exactly the input's size, so ASan sees any read past it.
  const std::vector<char> copy(data, data + size);
  const std::string_view bytes(copy.data(), copy.size());
  CheckScorePacket(bytes);
  CheckMemberList(bytes);
  CheckStandings(data, size);
  return 0;
}
