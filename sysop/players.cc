// Players: the listing, one player in full, and the sysop's edits.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <numeric>

#include "door/text.h"
#include "store/home_board.h"
#include "store/rules.h"
#include "sysop/datafiles.h"
#include "sysop/field_text.h"
#include "sysop/sysop.h"

namespace {

// Edit fields, with the ranges the game itself keeps them in.
struct FieldRule {
  const char* name;
  ValueRange range;
  bool per_whore;
};

constexpr FieldRule kFieldRules[] = {
    {"cash", player_range::kCash, false},
    {"wardrobe", player_range::kClothesLevel, false},
    {"house", player_range::kHouseStreet, false},
    {"condoms", player_range::kCondomStock, false},
    {"timeleft", player_range::kTimeLeft, false},
    {"burger", player_range::kAteFlameBurger, false},
    {"name", player_range::kWhoreNameIndex, true},
    {"hours", player_range::kWhoreHours, true},
    {"condoms", player_range::kWhoreCondoms, true},
    {"days", player_range::kWhoreDays, true},
    {"rate", player_range::kWhoreRate, true},
};

struct Assignment {
  std::string text;  // as typed, for messages
  const FieldRule* rule = nullptr;
  int slot = 0;      // 1-based whore slot, 0 for a player field
  std::string value;
};

const FieldRule* FindRule(const std::string& name, bool per_whore) {
  for (const FieldRule& rule : kFieldRules) {
    if (rule.per_whore == per_whore && name == rule.name) return &rule;
  }
  return nullptr;
}

bool ParseNumber(const std::string& text, int64_t& number) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, number);
  return error == std::errc() && stop == end && !text.empty();
}

// "cash=5000" or "whore3.hours=9"; false when the text names no field.
bool ParseAssignment(const std::string& text, Assignment& assignment) {
  assignment.text = text;
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  std::string field = text.substr(0, equals);
  assignment.value = text.substr(equals + 1);
  if (field.rfind("whore", 0) != 0) {
    assignment.rule = FindRule(field, false);
    return assignment.rule != nullptr;
  }
  const size_t dot = field.find('.');
  int64_t slot = 0;
  if (dot == std::string::npos || !ParseNumber(field.substr(5, dot - 5), slot)) return false;
  if (slot < 1 || slot > kMaxWhores) return false;
  assignment.slot = static_cast<int>(slot);
  assignment.rule = FindRule(field.substr(dot + 1), true);
  return assignment.rule != nullptr;
}

int64_t FieldValue(const PlayerRecord& player, const Assignment& a) {
  const std::string name = a.rule->name;
  if (a.slot > 0) {
    const size_t k = static_cast<size_t>(a.slot - 1);
    if (name == "name") return player.WhoreNameIndex[k];
    if (name == "hours") return player.WhoreHours[k];
    if (name == "condoms") return player.WhoreCondoms[k];
    if (name == "days") return player.WhoreDays[k];
    return player.WhoreRate[k];
  }
  if (name == "cash") return player.Cash;
  if (name == "wardrobe") return player.ClothesLevel;
  if (name == "house") return player.HouseStreet;
  if (name == "condoms") return player.CondomStock;
  if (name == "timeleft") return player.TimeLeft;
  return player.AteFlameBurger;
}

// The value is already known to be inside the rule's range, so every cast
// below keeps it whole.
void SetFieldValue(PlayerRecord& player, const Assignment& a, int64_t value) {
  const std::string name = a.rule->name;
  if (a.slot > 0) {
    const size_t k = static_cast<size_t>(a.slot - 1);
    if (name == "name") player.WhoreNameIndex[k] = static_cast<uint8_t>(value);
    if (name == "hours") player.WhoreHours[k] = static_cast<uint8_t>(value);
    if (name == "condoms") player.WhoreCondoms[k] = static_cast<uint8_t>(value);
    if (name == "days") player.WhoreDays[k] = static_cast<int16_t>(value);
    if (name == "rate") player.WhoreRate[k] = static_cast<int32_t>(value);
    return;
  }
  if (name == "cash") player.Cash = static_cast<int32_t>(value);
  if (name == "wardrobe") player.ClothesLevel = static_cast<uint8_t>(value);
  if (name == "house") player.HouseStreet = static_cast<uint8_t>(value);
  if (name == "condoms") player.CondomStock = static_cast<int16_t>(value);
  if (name == "timeleft") player.TimeLeft = static_cast<int16_t>(value);
  if (name == "burger") player.AteFlameBurger = static_cast<uint8_t>(value);
}

// The field as the sysop typed it.
std::string FieldOf(const Assignment& edit) { return edit.text.substr(0, edit.text.find('=')); }

// Returns the refusal for one assignment, or an empty text when it holds.
std::string ApplyAssignment(PlayerRecord& player, const Assignment& a) {
  const std::string field = FieldOf(a);
  int64_t value = 0;
  if (!ParseNumber(a.value, value)) return field + ": '" + a.value + "' is not a whole number";
  const ValueRange& range = a.rule->range;
  if (value < range.low || value > range.high) {
    return field + ": " + a.value + " is out of range " + std::to_string(range.low) + ".." +
           std::to_string(range.high);
  }
  if (a.slot > player.WhoreCount) {
    return field + ": whore " + std::to_string(a.slot) + " is not in use (the player has " +
           std::to_string(player.WhoreCount) + ")";
  }
  SetFieldValue(player, a, value);
  return std::string();
}

bool ParsePlayerNumber(const std::string& text, int64_t& number, SysopIo& io) {
  if (ParseNumber(text, number) && number >= 1) return true;
  io.err << "kordavin-sysop: '" << text << "' is not a player number\n";
  return false;
}

bool LoadPlayers(const SysopRequest& request, SysopIo& io, std::vector<PlayerRecord>& players,
                 bool& damaged) {
  std::string warning, error;
  if (!ReadAllPlayers(request.dir, players, warning, error)) {
    io.err << "kordavin-sysop: " << error << "\n";
    return false;
  }
  damaged = !warning.empty();
  if (damaged) io.err << "kordavin-sysop: " << warning << "\n";
  return true;
}

// What the alias is: "handle", or "realname" for a record keyed by the
// caller's real name (every record from before handles were read, until its
// player calls again or is carried over with rename-caller).
const char* KeyKindText(const PlayerRecord& p) {
  return p.KeyKind == kKeyedByHandle ? "handle" : "realname";
}

void WriteListLine(std::ostream& out, size_t number, const PlayerRecord& p) {
  out << number << '\t' << FieldText(p.Name) << '\t' << FieldText(p.BbsAlias) << '\t' << p.Cash
      << '\t' << int{p.WhoreCount} << '\t' << int{p.ClothesLevel} << '\t' << int{p.HouseStreet}
      << '\t' << int{p.LastDay} << '\t' << p.TimeLeft << '\t' << KeyKindText(p) << '\n';
}

// Tags are typed by sysops as they remember them: their case is no matter.
bool OfBoard(const PlayerRecord& p, const std::string& tag) {
  const std::string board = HomeBoardOf(p);
  return !board.empty() && UpperText(board) == UpperText(tag);
}

// A number and, when the game text has one, the name it stands for.
std::string Named(int index, const std::string& name) {
  return name.empty() ? std::to_string(index) : std::to_string(index) + " " + FieldText(name);
}

void WriteWhore(std::ostream& out, const PlayerRecord& p, size_t k, const NameLists& names) {
  const std::string slot = "whore" + std::to_string(k + 1) + ".";
  out << slot << "name: " << Named(p.WhoreNameIndex[k], WhoreNameIn(names, p.WhoreNameIndex[k]))
      << '\n'
      << slot << "hours: " << int{p.WhoreHours[k]} << '\n'
      << slot << "rate: " << p.WhoreRate[k] << '\n'
      << slot << "condoms: " << int{p.WhoreCondoms[k]} << '\n'
      << slot << "days: " << p.WhoreDays[k] << '\n';
}

// Every refusal, one line each; empty when all the edits hold.
std::string ApplyAll(PlayerRecord& player, const std::vector<Assignment>& edits) {
  std::string refusals;
  for (const Assignment& edit : edits) {
    const std::string refusal = ApplyAssignment(player, edit);
    if (!refusal.empty()) refusals += "kordavin-sysop: " + refusal + "\n";
  }
  return refusals;
}

// Reads, changes and writes back the one record in one step, so a node
// saving the same player waits instead of being mixed in.
int EditInStep(StoreStep& step, int64_t number, const std::vector<Assignment>& edits,
               SysopIo& io) {
  const int64_t count = RecordCount(step.players);
  if (number > count) {
    io.err << "kordavin-sysop: there is no player " << number << " (players: " << count << ")\n";
    return kSysopRefused;
  }
  PlayerBytes bytes{};
  std::string error;
  if (!ReadRecordText(step.players, step.PathOf(StepFile::kPlayers), number - 1, bytes.data(),
                      error)) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  const PlayerRecord before = DecodePlayer(bytes.data());
  PlayerRecord after = before;
  const std::string refusals = ApplyAll(after, edits);
  if (!refusals.empty()) {
    io.err << refusals << "kordavin-sysop: nothing written\n";
    return kSysopRefused;
  }
  bytes = EncodePlayer(after);
  const bool written = WriteStepRecord(step, StepFile::kPlayers, number - 1, bytes.data(), error);
  step.End();
  if (!written) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  for (const Assignment& edit : edits) {
    io.out << FieldOf(edit) << ": " << FieldValue(before, edit) << " -> "
           << FieldValue(after, edit) << '\n';
  }
  return kSysopOk;
}

int WritePlayerBack(const SysopRequest& request, int64_t number,
                    const std::vector<Assignment>& edits, SysopIo& io) {
  StoreStep step(request.dir);
  bool missing = false;
  std::string error;
  if (!TakeStepFile(step, StepFile::kPlayers, missing, error)) {
    io.err << "kordavin-sysop: " << (missing ? "there are no players" : error) << "\n";
    return kSysopRefused;
  }
  return EditInStep(step, number, edits, io);
}

}  // namespace

int ListPlayersCommand(const SysopRequest& request, SysopIo& io) {
  std::vector<PlayerRecord> players;
  bool damaged = false;
  if (!LoadPlayers(request, io, players, damaged)) return kSysopRefused;
  std::vector<size_t> order(players.size());
  std::iota(order.begin(), order.end(), size_t{0});
  if (request.by_worth) {
    // Equal worth ranks the later player first, as the game's rankings do.
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      const double wa = NetWorth(players[a]), wb = NetWorth(players[b]);
      return wa != wb ? wa > wb : a > b;
    });
  }
  io.out << "number\tname\talias\tcash\twhores\twardrobe\thouse\tlastday\ttimeleft\tkey\n";
  for (size_t i : order) {
    if (request.has_board && !OfBoard(players[i], request.board)) continue;
    WriteListLine(io.out, i + 1, players[i]);
  }
  return damaged ? kSysopRefused : kSysopOk;
}

int ShowPlayerCommand(const SysopRequest& request, SysopIo& io) {
  int64_t number = 0;
  if (!ParsePlayerNumber(request.operands[0], number, io)) return kSysopUsage;
  std::vector<PlayerRecord> players;
  bool damaged = false;
  if (!LoadPlayers(request, io, players, damaged)) return kSysopRefused;
  if (number > static_cast<int64_t>(players.size())) {
    io.err << "kordavin-sysop: there is no player " << number << " (players: " << players.size()
           << ")\n";
    return kSysopRefused;
  }
  const PlayerRecord& p = players[static_cast<size_t>(number - 1)];
  const NameLists names = ReadNameLists(request.dir);
  io.out << "number: " << number << '\n'
         << "name: " << FieldText(p.Name) << '\n'
         << "alias: " << FieldText(p.BbsAlias) << '\n'
         << "key: " << KeyKindText(p) << '\n'
         << "cash: " << p.Cash << '\n'
         << "networth: " << NetWorthText(NetWorth(p)) << '\n'
         << "wardrobe: " << Named(p.ClothesLevel, ClothesNameIn(names, p.ClothesLevel)) << '\n'
         << "house: " << int{p.HouseStreet} << '\n'
         << "condoms: " << p.CondomStock << '\n'
         << "burger: " << int{p.AteFlameBurger} << '\n'
         << "lastday: " << int{p.LastDay} << '\n'
         << "timeleft: " << p.TimeLeft << '\n'
         << "whores: " << int{p.WhoreCount} << '\n';
  for (size_t k = 0; k < p.WhoreCount; ++k) WriteWhore(io.out, p, k, names);
  return kSysopOk;
}

int EditPlayerCommand(const SysopRequest& request, SysopIo& io) {
  int64_t number = 0;
  if (!ParsePlayerNumber(request.operands[0], number, io)) return kSysopUsage;
  std::vector<Assignment> edits;
  for (size_t i = 1; i < request.operands.size(); ++i) {
    Assignment edit;
    if (!ParseAssignment(request.operands[i], edit)) {
      io.err << "kordavin-sysop: '" << request.operands[i] << "' is not FIELD=VALUE with a known"
             << " field\nTry 'kordavin-sysop --help'.\n";
      return kSysopUsage;
    }
    edits.push_back(edit);
  }
  const int guard = RefuseWhileCallersOn(request, io);
  if (guard != kSysopOk) return guard;
  return WritePlayerBack(request, number, edits, io);
}
