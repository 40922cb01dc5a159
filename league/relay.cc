#include "league/relay.h"

#include <algorithm>

#include "league/file_names.h"
#include "league/held.h"
#include "league/outbound.h"

namespace {

// What a destination's latest "still here" says it holds; nothing when none
// came, or when it is of another league game than this board's.
struct Holds {
  bool known = false;
  StillHere here;
};

Holds HoldsOf(const std::vector<HeldFile>& held, const LeagueSettings& settings, int board) {
  Holds holds;
  const HeldFile* file = FindHeld(held, kHeardExtension, board);
  std::string bytes;
  if (file == nullptr || !ReadHeld(*file, bytes)) return holds;
  holds.known = DecodeStillHere(bytes, holds.here) == PacketFault::kNone;
  if (holds.known && holds.here.game != settings.game) holds.here.boards.clear();
  return holds;
}

const HeardEntry* EntryFor(const Holds& holds, int board) {
  for (const HeardEntry& entry : holds.here.boards) {
    if (entry.board == board) return &entry;
  }
  return nullptr;
}

bool HasStandings(const Holds& holds, const HeldFile& file) {
  const HeardEntry* entry = EntryFor(holds, file.board);
  return entry != nullptr && entry->sequence >= file.sequence;
}

// This board's own "still here" is known there when that board's latest
// names it as heard.
bool HasStillHere(const Holds& holds, const HeldFile& own, int64_t date) {
  const HeardEntry* entry = EntryFor(holds, own.board);
  return entry != nullptr && entry->heard >= date;
}

int64_t StillHereDate(const HeldFile* own) {
  std::string bytes;
  StillHere here;
  if (own == nullptr || !ReadHeld(*own, bytes) || DecodeStillHere(bytes, here) != PacketFault::kNone) {
    return 0;
  }
  return here.date;
}

std::vector<std::string> Owed(const std::vector<HeldFile>& held, const LeagueSettings& settings,
                              const std::vector<bool>& listed, const LeagueMember& to,
                              int64_t own_here_date) {
  const Holds holds = HoldsOf(held, settings, to.board);
  const bool coordinator = settings.board == settings.coordinator;
  std::vector<std::string> owed;
  for (const HeldFile& file : held) {
    const bool from_here = file.board == settings.board;
    bool due = false;
    if (file.extension == kScoreExtension) {
      due = file.board != to.board && (coordinator || from_here) &&
            listed[static_cast<size_t>(file.board)] && !HasStandings(holds, file);
    } else if (file.extension == kHeardExtension) {
      due = from_here && !HasStillHere(holds, file, own_here_date);
    } else if (file.extension == kMembersExtension) {
      due = coordinator && from_here && file.sequence == settings.members_sequence &&
            (!holds.known || holds.here.members_sequence < settings.members_sequence);
    } else if (file.extension == kFameExtension) {
      due = coordinator && from_here && file.sequence == settings.fame_sequence &&
            (!holds.known || holds.here.fame_sequence < settings.fame_sequence);
    }
    if (due) owed.push_back(file.path);
  }
  return owed;
}

// A line a file, or one for the lot when a board has many coming.
void Report(const std::vector<std::string>& paths, const std::string& where, std::ostream& out) {
  if (paths.size() > 5) {
    out << "queued " << paths.size() << " files for " << where << "\n";
    return;
  }
  for (const std::string& path : paths) {
    out << "queued " << path.substr(path.rfind('/') + 1) << " for " << where << "\n";
  }
}

bool QueueList(const LeagueSettings& settings, const LeagueMember& to,
               const std::vector<std::string>& paths, std::ostream& out, std::string& error) {
  FtnAddress own, address;
  ParseFtnAddress(settings.address, own);
  const std::string where = "board " + std::to_string(to.board) + " (" + to.address + ")";
  if (!ParseFtnAddress(to.address, address)) {
    error = "bad address " + to.address + " of board " + std::to_string(to.board);
    return false;
  }
  switch (QueueFilesFor(settings.outbound, own.zone, address, paths, error)) {
    case Queued::kDone:
      Report(paths, where, out);
      return true;
    case Queued::kBusy:
      out << where << " is in a mailer session: offered again next run\n";
      return true;
    case Queued::kFailed:
      break;
  }
  return false;
}

}  // namespace

std::vector<LeagueMember> Destinations(const LeagueSettings& settings) {
  std::vector<LeagueMember> boards;
  for (const LeagueMember& member : settings.members) {
    if (member.board == settings.board) continue;
    if (settings.board == settings.coordinator || member.board == settings.coordinator) {
      boards.push_back(member);
    }
  }
  std::sort(boards.begin(), boards.end(),
            [](const LeagueMember& a, const LeagueMember& b) { return a.board < b.board; });
  return boards;
}

bool OfferOwed(const std::string& dir, const LeagueSettings& settings, std::ostream& out,
               std::string& error) {
  if (!InLeague(settings)) return true;
  const std::vector<HeldFile> held = ListHeld(dir);
  const int64_t own_here_date = StillHereDate(FindHeld(held, kHeardExtension, settings.board));
  std::vector<bool> listed(256, false);
  for (const LeagueMember& member : settings.members) listed[member.board] = true;
  bool all = true;
  for (const LeagueMember& to : Destinations(settings)) {
    const std::vector<std::string> owed = Owed(held, settings, listed, to, own_here_date);
    if (!owed.empty()) all = QueueList(settings, to, owed, out, error) && all;
  }
  return all;
}

bool QueueFor(const LeagueSettings& settings, const std::vector<LeagueMember>& boards,
              const std::string& path, std::ostream& out, std::string& error) {
  bool all = true;
  for (const LeagueMember& to : boards) all = QueueList(settings, to, {path}, out, error) && all;
  return all;
}
