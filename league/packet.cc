#include "league/packet.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "store/rules.h"

namespace {

constexpr char kScoreMagic[] = "KDLS";
constexpr char kMemberMagic[] = "KDLM";
constexpr uint8_t kOldFormat = 1;
constexpr uint8_t kFormat = 2;
constexpr char kHeardMagic[] = "KDLH";
constexpr char kFameMagic[] = "KDLF";

struct Writer {
  std::string bytes;
  void U8(uint8_t value) { bytes.push_back(static_cast<char>(value)); }
  void Le(uint64_t value, int size) {
    for (int i = 0; i < size; ++i) U8(static_cast<uint8_t>(value >> (8 * i)));
  }
  void Text(std::string_view text, size_t most) {
    const std::string_view cut = text.substr(0, most);
    U8(static_cast<uint8_t>(cut.size()));
    bytes.append(cut);
  }
};

// Every read checks the bytes left, so a short file ends as "truncated" and
// never reads past its end.
struct Reader {
  std::string_view bytes;
  size_t at = 0;
  bool short_read = false;

  bool Take(size_t size) {
    if (short_read || bytes.size() - at < size) {
      short_read = true;
      return false;
    }
    return true;
  }
  uint64_t Le(int size) {
    if (!Take(static_cast<size_t>(size))) return 0;
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
      value |= uint64_t{static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)])} << (8 * i);
    }
    at += static_cast<size_t>(size);
    return value;
  }
  uint8_t U8() { return static_cast<uint8_t>(Le(1)); }
  std::string Text() {
    const size_t size = U8();
    if (!Take(size)) return {};
    std::string text(bytes.substr(at, size));
    at += size;
    return text;
  }
};

bool Magic(std::string_view bytes, const char* magic) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), magic, 4) == 0;
}

bool NameFits(const std::string& name, size_t least, size_t most) {
  return name.size() >= least && name.size() <= most && IsPlainName(name);
}

// A member list becomes kordavin.league, whose reader trims every value: a
// name with a blank at either end would not read back as the list gave it.
bool SettingsValueFits(const std::string& value, size_t most) {
  return NameFits(value, 1, most) && value.front() != ' ' && value.back() != ' ';
}

bool SettingsNameFits(const std::string& name) { return SettingsValueFits(name, kMaxBoardNameLength); }

bool IdFits(const std::string& id) {
  if (id.empty() || id.size() > kMaxLeagueIdLength) return false;
  for (const char c : id) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// The body's own reading must end exactly where the signature begins: bytes
// left over mean a count that does not match what follows.
PacketFault Finish(const Reader& reader, size_t body_size, bool in_range) {
  if (reader.short_read || reader.at > body_size) return PacketFault::kTruncated;
  if (reader.at != body_size || !in_range) return PacketFault::kOutOfRange;
  return PacketFault::kNone;
}

PacketFault Start(std::string_view bytes, const char* magic, Reader& reader, size_t& body_size,
                  uint8_t& format) {
  if (bytes.size() > kMaxPacketBytes) return PacketFault::kTooLarge;
  if (!Magic(bytes, magic)) return PacketFault::kNotAPacket;
  if (bytes.size() < 5 + kSignatureBytes) return PacketFault::kTruncated;
  body_size = bytes.size() - kSignatureBytes;
  reader.bytes = bytes.substr(0, body_size);
  reader.at = 4;
  format = reader.U8();
  return format == kFormat || format == kOldFormat ? PacketFault::kNone : PacketFault::kOutOfRange;
}

bool RealDate(int64_t date) { return date >= kEarliestDate && date < kLatestDate; }

bool PlayerInRange(const LeaguePlayer& player) {
  return NameFits(player.name, 1, kMaxPimpNameLength) && player.cash >= 0 &&
         player.whores <= kMaxWhores && player.house <= kLastStreet && player.wardrobe >= 1 &&
         player.wardrobe <= kTopClothesLevel && player.worth >= player.cash &&
         player.worth <= MostWorth(player.cash, player.whores);
}

}  // namespace

const char* PacketFaultText(PacketFault fault) {
  switch (fault) {
    case PacketFault::kNone: return "accepted";
    case PacketFault::kNotAPacket: return "not a league packet";
    case PacketFault::kTruncated: return "truncated";
    case PacketFault::kOutOfRange: return "out of range";
    case PacketFault::kTooLarge: return "too large";
    case PacketFault::kOtherLeague: return "another league";
    case PacketFault::kUnknownBoard: return "unknown board";
    case PacketFault::kBadSignature: return "bad signature";
    case PacketFault::kReplay: return "replay";
    case PacketFault::kNotAsListed: return "name not as listed";
    case PacketFault::kOtherGame: return "another league game";
  }
  return "refused";
}

bool LooksLikeMemberList(std::string_view bytes) { return Magic(bytes, kMemberMagic); }
bool LooksLikeStillHere(std::string_view bytes) { return Magic(bytes, kHeardMagic); }
bool LooksLikeFameList(std::string_view bytes) { return Magic(bytes, kFameMagic); }

std::string EncodeScorePacket(const ScorePacket& packet) {
  Writer out;
  out.bytes = kScoreMagic;
  out.U8(packet.format);
  out.Text(packet.league, kMaxLeagueIdLength);
  out.U8(packet.board);
  out.Le(packet.sequence, 4);
  out.Le(static_cast<uint64_t>(packet.date), 8);
  if (packet.format != kOldFormat) out.Le(packet.game, 4);
  out.Text(packet.board_name, kMaxBoardNameLength);
  out.Text(packet.winner, kMaxPimpNameLength);
  out.Le(static_cast<uint64_t>(packet.win_date), 8);
  const size_t count = std::min(packet.players.size(), kMaxPacketPlayers);
  out.Le(count, 2);
  for (size_t i = 0; i < count; ++i) {
    const LeaguePlayer& player = packet.players[i];
    out.Text(player.name, kMaxPimpNameLength);
    out.Le(static_cast<uint32_t>(player.cash), 4);
    out.U8(player.whores);
    out.U8(player.house);
    out.U8(player.wardrobe);
    out.Le(static_cast<uint64_t>(player.worth), 8);
  }
  return out.bytes;
}

PacketFault DecodeScorePacket(std::string_view bytes, ScorePacket& packet) {
  packet = ScorePacket{};
  Reader in;
  size_t body_size = 0;
  if (const PacketFault fault = Start(bytes, kScoreMagic, in, body_size, packet.format);
      fault != PacketFault::kNone) {
    return fault;
  }
  packet.league = in.Text();
  packet.board = in.U8();
  packet.sequence = static_cast<uint32_t>(in.Le(4));
  packet.date = static_cast<int64_t>(in.Le(8));
  if (packet.format != kOldFormat) packet.game = static_cast<uint32_t>(in.Le(4));
  packet.board_name = in.Text();
  packet.winner = in.Text();
  packet.win_date = static_cast<int64_t>(in.Le(8));
  const size_t count = static_cast<size_t>(in.Le(2));
  bool in_range = IdFits(packet.league) && packet.board >= 1 && packet.sequence > 0 &&
                  NameFits(packet.board_name, 1, kMaxBoardNameLength) &&
                  NameFits(packet.winner, 0, kMaxPimpNameLength) &&
                  RealDate(packet.date) &&
                  (packet.winner.empty() ? packet.win_date == 0
                                         : RealDate(packet.win_date) && packet.win_date <= packet.date) &&
                  count <= kMaxPacketPlayers;
  for (size_t i = 0; i < count && in_range && !in.short_read; ++i) {
    LeaguePlayer player;
    player.name = in.Text();
    player.cash = static_cast<int32_t>(static_cast<uint32_t>(in.Le(4)));
    player.whores = in.U8();
    player.house = in.U8();
    player.wardrobe = in.U8();
    player.worth = static_cast<int64_t>(in.Le(8));
    if (in.short_read) break;
    in_range = PlayerInRange(player);
    packet.players.push_back(std::move(player));
  }
  return Finish(in, body_size, in_range);
}

std::string EncodeMemberList(const MemberList& list) {
  Writer out;
  out.bytes = kMemberMagic;
  out.U8(list.format);
  out.Text(list.league, kMaxLeagueIdLength);
  out.U8(list.coordinator);
  out.Le(list.sequence, 4);
  out.Le(static_cast<uint64_t>(list.date), 8);
  out.Text(list.league_name, kMaxBoardNameLength);
  if (list.format != kOldFormat) {
    out.Le(list.game, 4);
    out.Le(static_cast<uint64_t>(list.game_start), 8);
    out.Le(static_cast<uint64_t>(list.game_end), 8);
  }
  const size_t count = std::min<size_t>(list.members.size(), 255);
  out.U8(static_cast<uint8_t>(count));
  for (size_t i = 0; i < count; ++i) {
    const LeagueMember& member = list.members[i];
    out.U8(member.board);
    out.Text(member.name, kMaxBoardNameLength);
    out.Text(member.address, kMaxAddressLength);
    out.bytes.append(reinterpret_cast<const char*>(member.key.data()), member.key.size());
  }
  return out.bytes;
}

PacketFault DecodeMemberList(std::string_view bytes, MemberList& list) {
  list = MemberList{};
  Reader in;
  size_t body_size = 0;
  if (const PacketFault fault = Start(bytes, kMemberMagic, in, body_size, list.format);
      fault != PacketFault::kNone) {
    return fault;
  }
  list.league = in.Text();
  list.coordinator = in.U8();
  list.sequence = static_cast<uint32_t>(in.Le(4));
  list.date = static_cast<int64_t>(in.Le(8));
  list.league_name = in.Text();
  if (list.format != kOldFormat) {
    list.game = static_cast<uint32_t>(in.Le(4));
    list.game_start = static_cast<int64_t>(in.Le(8));
    list.game_end = static_cast<int64_t>(in.Le(8));
  }
  const size_t count = in.U8();
  const bool game_fits = list.format == kOldFormat ||
                         (list.game >= 1 && RealDate(list.game_start) &&
                          (list.game_end == 0 || (RealDate(list.game_end) && list.game_end > list.game_start)));
  bool in_range = IdFits(list.league) && list.coordinator >= 1 && list.sequence > 0 &&
                  RealDate(list.date) && SettingsNameFits(list.league_name) &&
                  game_fits && count >= 1;
  for (size_t i = 0; i < count && !in.short_read; ++i) {
    LeagueMember member;
    member.board = in.U8();
    member.name = in.Text();
    member.address = in.Text();
    if (!in.Take(kPublicKeyBytes)) break;
    std::memcpy(member.key.data(), in.bytes.data() + in.at, kPublicKeyBytes);
    in.at += kPublicKeyBytes;
    in_range = in_range && member.board >= 1 && SettingsNameFits(member.name) &&
               SettingsValueFits(member.address, kMaxAddressLength);
    list.members.push_back(std::move(member));
  }
  return Finish(in, body_size, in_range);
}

namespace {

// The head of a "still here" and a hall of fame: their one format, the
// league, the board that signs, its sequence and the date.
void WriteHead(Writer& out, const char* magic, const std::string& league, uint8_t board,
               uint32_t sequence, int64_t date) {
  out.bytes = magic;
  out.U8(kOldFormat);
  out.Text(league, kMaxLeagueIdLength);
  out.U8(board);
  out.Le(sequence, 4);
  out.Le(static_cast<uint64_t>(date), 8);
}

PacketFault ReadHead(std::string_view bytes, const char* magic, Reader& in, size_t& body_size,
                     std::string& league, uint8_t& board, uint32_t& sequence, int64_t& date) {
  uint8_t format = 0;
  const PacketFault fault = Start(bytes, magic, in, body_size, format);
  if (fault != PacketFault::kNone) return fault;
  league = in.Text();
  board = in.U8();
  sequence = static_cast<uint32_t>(in.Le(4));
  date = static_cast<int64_t>(in.Le(8));
  const bool in_range = format == kOldFormat && IdFits(league) && board >= 1 && sequence > 0 &&
                        RealDate(date);
  return in_range || in.short_read ? PacketFault::kNone : PacketFault::kOutOfRange;
}

}  // namespace

std::string EncodeStillHere(const StillHere& here) {
  Writer out;
  WriteHead(out, kHeardMagic, here.league, here.board, here.sequence, here.date);
  out.Le(here.game, 4);
  out.Le(here.members_sequence, 4);
  out.Le(here.fame_sequence, 4);
  const size_t count = std::min<size_t>(here.boards.size(), 255);
  out.U8(static_cast<uint8_t>(count));
  for (size_t i = 0; i < count; ++i) {
    out.U8(here.boards[i].board);
    out.Le(here.boards[i].sequence, 4);
    out.Le(static_cast<uint64_t>(here.boards[i].heard), 8);
  }
  return out.bytes;
}

PacketFault DecodeStillHere(std::string_view bytes, StillHere& here) {
  here = StillHere{};
  Reader in;
  size_t body_size = 0;
  if (const PacketFault fault = ReadHead(bytes, kHeardMagic, in, body_size, here.league, here.board,
                                         here.sequence, here.date);
      fault != PacketFault::kNone) {
    return fault;
  }
  here.game = static_cast<uint32_t>(in.Le(4));
  here.members_sequence = static_cast<uint32_t>(in.Le(4));
  here.fame_sequence = static_cast<uint32_t>(in.Le(4));
  const size_t count = in.U8();
  bool in_range = here.game >= 1;
  for (size_t i = 0; i < count && !in.short_read; ++i) {
    HeardEntry entry;
    entry.board = in.U8();
    entry.sequence = static_cast<uint32_t>(in.Le(4));
    entry.heard = static_cast<int64_t>(in.Le(8));
    in_range = in_range && entry.board >= 1 && (entry.heard == 0 || RealDate(entry.heard));
    here.boards.push_back(entry);
  }
  return Finish(in, body_size, in_range);
}

std::string EncodeFameList(const FameList& fame) {
  Writer out;
  WriteHead(out, kFameMagic, fame.league, fame.coordinator, fame.sequence, fame.date);
  const size_t count = std::min<size_t>(fame.games.size(), UINT16_MAX);
  out.Le(count, 2);
  for (size_t i = 0; i < count; ++i) {
    const FameEntry& game = fame.games[i];
    out.Le(game.game, 4);
    out.Le(static_cast<uint64_t>(game.start), 8);
    out.Le(static_cast<uint64_t>(game.end), 8);
    out.U8(static_cast<uint8_t>(game.board));
    out.Le(static_cast<uint64_t>(game.worth), 8);
    out.Text(game.pimp, kMaxPimpNameLength);
    out.Text(game.board_name, kMaxBoardNameLength);
  }
  return out.bytes;
}

PacketFault DecodeFameList(std::string_view bytes, FameList& fame) {
  fame = FameList{};
  Reader in;
  size_t body_size = 0;
  if (const PacketFault fault = ReadHead(bytes, kFameMagic, in, body_size, fame.league,
                                         fame.coordinator, fame.sequence, fame.date);
      fault != PacketFault::kNone) {
    return fault;
  }
  const size_t count = static_cast<size_t>(in.Le(2));
  bool in_range = true;
  for (size_t i = 0; i < count && !in.short_read; ++i) {
    FameEntry game;
    game.game = static_cast<uint32_t>(in.Le(4));
    game.start = static_cast<int64_t>(in.Le(8));
    game.end = static_cast<int64_t>(in.Le(8));
    game.board = in.U8();
    game.worth = static_cast<int64_t>(in.Le(8));
    game.pimp = in.Text();
    game.board_name = in.Text();
    // The hall of fame becomes lines of kordavin.league, which trim them.
    in_range = in_range && game.game >= 1 && RealDate(game.start) && RealDate(game.end) &&
               game.board >= 1 && game.worth >= 0 && SettingsNameFits(game.pimp) &&
               game.pimp.size() <= kMaxPimpNameLength && SettingsNameFits(game.board_name);
    fame.games.push_back(std::move(game));
  }
  return Finish(in, body_size, in_range);
}
