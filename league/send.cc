// The sending half: this board's standings out through the mailer.
#include <algorithm>
#include <numeric>

#include "league/exchange.h"
#include "league/keys.h"
#include "league/outbound.h"
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
  const std::string bytes = SignPacket(EncodeMemberList(list), key);
  const std::string name = LeagueFileName(settings.league, settings.board, list.sequence,
                                          kMembersExtension);
  // A board taken out hears it from the list that no longer names it.
  std::vector<LeagueMember> boards = settings.removed;
  for (const LeagueMember& member : settings.members) {
    if (member.board != settings.board) boards.push_back(member);
  }
  if (!QueueFor(dir, settings, boards, name, bytes, out, error)) return false;
  settings.members_sent = settings.members_sequence;
  settings.removed.clear();
  return WriteLeagueSettings(dir, settings, error);
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

std::string LeagueFileName(const std::string& league, int board, uint32_t sequence,
                           const char* extension) {
  return league + "_" + std::to_string(board) + "_" + std::to_string(sequence) + extension;
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
  if (settings.board == settings.coordinator && settings.members_sent != settings.members_sequence &&
      !SendMemberList(dir, settings, key, now, out, error)) {
    return false;
  }
  const ScorePacket stored = ReadBoardStandings(settings.board);
  const GameConfig config = ReadConfig();
  ScorePacket packet;
  packet.league = settings.league;
  packet.board = static_cast<uint8_t>(settings.board);
  packet.date = now;
  packet.game = settings.game;
  packet.board_name = FindMember(settings, settings.board)->name;
  packet.winner = FitName(config.WinnerName);
  if (!packet.winner.empty()) {
    packet.win_date = stored.winner == packet.winner && stored.win_date > 0 ? stored.win_date : now;
  }
  packet.players = RankedLocalPlayers();
  const std::vector<LeagueMember> boards = Destinations(settings);
  std::string targets;
  for (const LeagueMember& board : boards) {
    targets += (targets.empty() ? "" : ",") + std::to_string(board.board);
  }
  if (!again && settings.sent_to == targets && stored.board == settings.board &&
      stored.game == packet.game && stored.board_name == packet.board_name &&
      stored.winner == packet.winner && SamePlayers(stored.players, packet.players)) {
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
  if (!QueueFor(dir, settings, boards, name, bytes, out, error)) return false;
  if (settings.board == settings.coordinator && !PassOnHeldTo(dir, settings, boards, out, error)) {
    return false;
  }
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
  settings.sent_to = targets;
  NoteWinner(settings, packet);
  return WriteLeagueSettings(dir, settings, error);
}
