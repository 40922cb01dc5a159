// The sending half: this board's standings, its "still here" and, from the
// coordinator, the member list and the hall of fame, kept in league-held/
// and offered to the boards that do not have them yet.
#include <algorithm>
#include <numeric>

#include "league/exchange.h"
#include "league/file_names.h"
#include "league/held.h"
#include "league/keys.h"
#include "league/relay.h"
#include "league/standings.h"
#include "store/files.h"
#include "store/shared_data.h"
#include "store/league_data.h"
#include "store/rules.h"

namespace {

bool SamePlayers(const std::vector<LeaguePlayer>& a, const std::vector<LeaguePlayer>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const LeaguePlayer& x, const LeaguePlayer& y) {
                      return x.name == y.name && x.cash == y.cash && x.whores == y.whores &&
                             x.house == y.house && x.wardrobe == y.wardrobe && x.worth == y.worth;
                    });
}

std::string FitName(const std::string& name) {
  std::string fit = name.substr(0, kMaxPimpNameLength);
  for (char& c : fit) {
    if (!IsPlainName(std::string_view(&c, 1))) c = '?';
  }
  return fit;
}

bool HoldSigned(const std::string& dir, const LeagueSettings& settings, uint32_t sequence,
                const char* extension, const std::string& body, const SecretKey& key,
                std::string& error) {
  std::vector<HeldFile> held = ListHeld(dir);
  return Hold(dir, LeagueFileName(settings.league, settings.board, sequence, extension),
              SignPacket(body, key), held, error);
}

bool SendMemberList(const std::string& dir, LeagueSettings& settings, const SecretKey& key,
                    int64_t now, std::ostream& out, std::string& error) {
  MemberList list;
  list.league = settings.league;
  list.coordinator = static_cast<uint8_t>(settings.coordinator);
  list.sequence = settings.members_sequence;
  list.date = now;
  list.league_name = settings.league_name;
  list.game = settings.game;
  list.game_start = settings.game_start;
  list.game_end = settings.game_end;
  list.members = settings.members;
  if (!HoldSigned(dir, settings, list.sequence, kMembersExtension, EncodeMemberList(list), key, error)) {
    return false;
  }
  // The members are offered it until they have it; a board taken out hears
  // it from the list that no longer names it, once.
  const std::vector<HeldFile> all_held = ListHeld(dir);
  const HeldFile* held = FindHeld(all_held, kMembersExtension, settings.board);
  if (held == nullptr || !QueueFor(settings, settings.removed, held->path, out, error)) return false;
  settings.members_sent = settings.members_sequence;
  settings.removed.clear();
  return true;
}

bool HoldFame(const std::string& dir, const LeagueSettings& settings, const SecretKey& key,
              int64_t now, std::string& error) {
  const std::vector<HeldFile> all_held = ListHeld(dir);
  const HeldFile* held = FindHeld(all_held, kFameExtension, settings.board);
  if (settings.fame_sequence == 0 || (held != nullptr && held->sequence == settings.fame_sequence)) {
    return true;
  }
  FameList fame{settings.league, static_cast<uint8_t>(settings.board), settings.fame_sequence, now,
                settings.fame};
  return HoldSigned(dir, settings, fame.sequence, kFameExtension, EncodeFameList(fame), key, error);
}

// A win this board had not sent before: since the last send when there was
// one; before the first, a win no league game can count, dated just before
// the board joined.
int64_t WinDate(const LeagueSettings& settings, const ScorePacket& stored,
                const std::string& winner, int64_t now) {
  if (stored.winner == winner && stored.win_date > 0) return stored.win_date;
  if (stored.board == settings.board) return now;
  const auto joined = settings.joined.find(settings.board);
  const int64_t when = joined == settings.joined.end() ? kEarliestDate : joined->second - 1;
  return std::clamp(when, kEarliestDate, now);
}

StillHere MakeStillHere(const LeagueSettings& settings, uint32_t last, int64_t now) {
  StillHere here{settings.league, static_cast<uint8_t>(settings.board),
                 std::max<uint32_t>(last + 1, static_cast<uint32_t>(now)), now, settings.game,
                 settings.members_sequence, settings.fame_sequence, {}};
  const std::vector<ScorePacket> held = CurrentStandings(settings, 0);
  for (const LeagueMember& member : settings.members) {
    HeardEntry entry{member.board, 0, 0};
    for (const ScorePacket& board : held) {
      if (board.board == member.board) entry.sequence = board.sequence;
    }
    const auto heard = settings.heard.find(member.board);
    if (heard != settings.heard.end()) entry.heard = heard->second;
    if (member.board == settings.board) entry.heard = now;
    here.boards.push_back(entry);
  }
  return here;
}

// What the boards are owed by, dates of hearing aside; a member's names the
// coordinator's "still here" it holds, which tells the coordinator to stop
// offering it.
bool SameHoldings(const StillHere& a, const StillHere& b, int coordinator, int own) {
  if (a.game != b.game || a.members_sequence != b.members_sequence ||
      a.fame_sequence != b.fame_sequence || a.boards.size() != b.boards.size()) {
    return false;
  }
  for (size_t i = 0; i < a.boards.size(); ++i) {
    const HeardEntry& x = a.boards[i];
    const HeardEntry& y = b.boards[i];
    if (x.board != y.board || x.sequence != y.sequence) return false;
    if (own != coordinator && x.board == coordinator && x.heard != y.heard) return false;
  }
  return true;
}

bool SendStillHere(const std::string& dir, LeagueSettings& settings, const SecretKey& key,
                   int64_t now, std::string& error) {
  const std::vector<HeldFile> all_held = ListHeld(dir);
  const HeldFile* held = FindHeld(all_held, kHeardExtension, settings.board);
  StillHere last;
  std::string bytes;
  const bool known = held != nullptr && ReadHeld(*held, bytes) &&
                     DecodeStillHere(bytes, last) == PacketFault::kNone;
  const StillHere here = MakeStillHere(settings, known ? last.sequence : 0, now);
  if (known && now - last.date < kLeagueStillHereSeconds &&
      SameHoldings(last, here, settings.coordinator, settings.board)) {
    return true;
  }
  settings.heard[settings.board] = now;
  return HoldSigned(dir, settings, here.sequence, kHeardExtension, EncodeStillHere(here), key, error);
}

ScorePacket OwnPacket(const LeagueSettings& settings, const ScorePacket& stored, int64_t now) {
  ScorePacket packet;
  packet.league = settings.league;
  packet.board = static_cast<uint8_t>(settings.board);
  packet.date = now;
  packet.game = settings.game;
  packet.board_name = FindMember(settings, settings.board)->name;
  packet.winner = FitName(ReadConfig().WinnerName);
  if (!packet.winner.empty()) packet.win_date = WinDate(settings, stored, packet.winner, now);
  packet.players = RankedLocalPlayers();
  return packet;
}

// This board's standings, held and stored as its own, unless nothing
// changed since the last (`again` sends anyway).
bool SendStandings(const std::string& dir, LeagueSettings& settings, const SecretKey& key,
                   bool again, int64_t now, std::ostream& out, std::string& error) {
  const ScorePacket stored = ReadBoardStandings(settings.board);
  ScorePacket packet = OwnPacket(settings, stored, now);
  if (!again && stored.board == settings.board && stored.game == packet.game &&
      stored.board_name == packet.board_name && stored.winner == packet.winner &&
      SamePlayers(stored.players, packet.players)) {
    out << "nothing new to send\n";
    return true;
  }
  // Never back in time, so a board whose data file was lost is still
  // believed after it: the clock gives a floor for the sequence.
  packet.sequence = std::max<uint32_t>(stored.sequence + 1, static_cast<uint32_t>(now));
  const std::string bytes = SignPacket(EncodeScorePacket(packet), key);
  if (bytes.size() > kMaxPacketBytes) {
    error = "the packet would be " + std::to_string(bytes.size()) + " bytes, over the limit";
    return false;
  }
  const std::string name = LeagueFileName(settings.league, settings.board, packet.sequence,
                                          kScoreExtension);
  std::vector<HeldFile> held = ListHeld(dir);
  if (!Hold(dir, name, bytes, held, error)) return false;
  packet.arrived = now;
  packet.told_game = stored.told_game;
  if (!StoreStandings({packet}, [](const ScorePacket&, ScorePacket&, std::vector<std::string>&) {
        return true;
      })) {
    error = "cannot write " + dir + kStandingsFile;
    return false;
  }
  out << "sent " << name << ": " << packet.players.size() << " players, " << bytes.size()
      << " bytes\n";
  if (settings.board == settings.coordinator) NoteWinner(settings, packet, now);
  return true;
}

}  // namespace

std::vector<LeaguePlayer> RankedLocalPlayers() {
  const std::vector<PlayerRecord> records = ReadAllPlayers();
  std::vector<double> worth(records.size());
  std::vector<size_t> order(records.size());
  for (size_t i = 0; i < records.size(); ++i) worth[i] = NetWorth(records[i]);
  std::iota(order.begin(), order.end(), size_t{0});
  // Equal worth ranks the later player first, as the game's rankings do.
  std::sort(order.begin(), order.end(), [&worth](size_t a, size_t b) {
    return worth[a] != worth[b] ? worth[a] > worth[b] : a > b;
  });
  std::vector<LeaguePlayer> players;
  for (const size_t i : order) {
    if (players.size() == kMaxPacketPlayers) break;
    const PlayerRecord& record = records[i];
    const std::string name = FitName(record.Name);
    if (name.empty()) continue;
    const int32_t cash = std::max(record.Cash, 0);
    const auto whores = static_cast<uint8_t>(std::min<int>(record.WhoreCount, kMaxWhores));
    // A damaged rate in a record must not send a worth no player can reach.
    const int64_t most = MostWorth(cash, whores);
    const auto house = static_cast<uint8_t>(std::min<int>(record.HouseStreet, kLastStreet));
    const auto wardrobe =
        static_cast<uint8_t>(std::clamp<int>(record.ClothesLevel, 1, kTopClothesLevel));
    players.push_back({name, cash, whores, house, wardrobe,
                       static_cast<int64_t>(std::clamp(worth[i], double(cash), double(most)))});
  }
  return players;
}

bool SendToLeague(const std::string& dir, LeagueSettings& settings, bool again, int64_t now,
                  std::ostream& out, std::string& error) {
  if (!InLeague(settings)) {
    error = "board " + std::to_string(settings.board) + " is no longer in the " +
            settings.league_name + " league: nothing sent";
    return false;
  }
  SecretKey key{};
  if (!LoadSecretKey(dir, key, error)) return false;
  const bool coordinator = settings.board == settings.coordinator;
  if (coordinator && settings.members_sent != settings.members_sequence &&
      !SendMemberList(dir, settings, key, now, out, error)) {
    return false;
  }
  if (coordinator) EndGameByDate(settings, now);
  if (!SendStandings(dir, settings, key, again, now, out, error) ||
      (coordinator && !HoldFame(dir, settings, key, now, error)) ||
      !SendStillHere(dir, settings, key, now, error) || !WriteLeagueSettings(dir, settings, error)) {
    return false;
  }
  return OfferOwed(dir, settings, out, error);
}
