// The coordinator's member list becomes every member's settings file: a list
// that is taken must write a kordavin.league that reads back as the same
// list, or one bad line would stop every league command on every board. The
// settings file a sysop edits by hand is read here too: whatever it holds,
// reading it never crashes, and what reads writes back unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_host.h"
#include "league/packet.h"
#include "league/settings.h"

namespace {

bool SameMembers(const std::vector<LeagueMember>& a, const std::vector<LeagueMember>& b) {
  if (a.size() != b.size()) return false;
  for (const LeagueMember& member : a) {
    const auto found = std::find_if(b.begin(), b.end(), [&](const LeagueMember& other) {
      return other.board == member.board && other.name == member.name &&
             other.address == member.address && other.key == member.key;
    });
    if (found == b.end()) return false;
  }
  return true;
}

// A sound board that takes the list, as a receive does.
LeagueSettings Taking(const MemberList& list) {
  LeagueSettings settings;
  settings.league = list.league;
  settings.league_name = list.league_name;
  settings.board = 200;
  settings.board_name = "Fuzz Board";
  settings.address = "21:1/200";
  settings.outbound = "/tmp/out";
  settings.inbound = "/tmp/in";
  settings.coordinator = list.coordinator;
  settings.members_sequence = list.sequence;
  settings.members = list.members;
  if (list.game != 0) settings.game = list.game;
  settings.game_start = list.game_start;
  settings.game_end = list.game_end;
  return settings;
}

std::string Dir() { return FuzzScratchDir() + "/"; }

void CheckRoundTrip(const LeagueSettings& settings, const char* what) {
  const std::string dir = Dir();
  std::string error;
  FuzzCheck(WriteLeagueSettings(dir, settings, error), "a sound settings file cannot be written");
  LeagueSettings again;
  FuzzCheck(ReadLeagueSettings(dir, again, error), what);
  FuzzCheck(SameMembers(settings.members, again.members) && again.game == settings.game &&
                again.league_name == settings.league_name,
            "the settings read back differ from those written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<char> copy(data, data + size);
  const std::string_view bytes(copy.data(), copy.size());
  MemberList list;
  if (DecodeMemberList(bytes, list) == PacketFault::kNone) {
    const LeagueSettings settings = Taking(list);
    if (SettingsProblem(settings).empty()) {
      CheckRoundTrip(settings, "a member list taken leaves a settings file that does not read");
    }
  }
  const std::string dir = Dir();
  WriteFuzzFile(dir + kSettingsFile, data, size);
  LeagueSettings settings;
  std::string error;
  if (ReadLeagueSettings(dir, settings, error)) {
    CheckRoundTrip(settings, "a settings file that read once does not read again");
  }
  return 0;
}
