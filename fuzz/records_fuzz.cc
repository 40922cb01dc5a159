// Every record of the shared files may be torn, old or damaged by hand. A
// decoded record must keep its promises (no count past the slots, no text past
// its field), must survive a rewrite unchanged, and nothing computed from it
// may overflow or index outside a list.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_host.h"
#include "store/records.h"
#include "store/rules.h"
#include "store/state.h"
#include "store/validate.h"

namespace {

bool SamePlayer(const PlayerRecord& a, const PlayerRecord& b) {
  return a.Name == b.Name && a.BbsAlias == b.BbsAlias && a.WhoreCount == b.WhoreCount &&
         a.WhoreNameIndex == b.WhoreNameIndex && a.WhoreCondoms == b.WhoreCondoms &&
         a.WhoreRate == b.WhoreRate && a.WhoreHours == b.WhoreHours &&
         a.WhoreDays == b.WhoreDays && a.ClothesLevel == b.ClothesLevel &&
         a.HouseStreet == b.HouseStreet && a.Cash == b.Cash && a.CondomStock == b.CondomStock &&
         a.AteFlameBurger == b.AteFlameBurger && a.LastDay == b.LastDay &&
         a.TimeLeft == b.TimeLeft && a.KeyKind == b.KeyKind;
}

void CheckPlayer(const uint8_t* bytes) {
  PlayerRecord player = DecodePlayer(bytes);
  FuzzCheck(player.WhoreCount <= kMaxWhores, "WhoreCount past the slots");
  FuzzCheck(player.Name.size() <= kNameCapacity && player.BbsAlias.size() <= kAliasCapacity,
            "a player text past its field");
  PlayerBytes again = EncodePlayer(player);
  FuzzCheck(SamePlayer(DecodePlayer(again.data()), player), "a player changed by a rewrite");
  // The fields that need no clamping come back byte for byte.
  constexpr size_t kSlots = player_at::kWhoreNameIndex;
  FuzzCheck(std::memcmp(again.data() + kSlots, bytes + kSlots, kPlayerRecordSize - kSlots) == 0,
            "a rewrite changed the whore slots or the numbers");
  // A damaged rate or hour count still gives a finite worth (UBSan checks the sum).
  double worth = NetWorth(player);
  FuzzCheck(worth == worth, "NetWorth is not a number");
  (void)ClothesNameOf(player.ClothesLevel);
  for (int k = 0; k < player.WhoreCount; ++k) (void)WhoreNameOf(player.WhoreNameIndex[static_cast<size_t>(k)]);
}

void CheckConfig(const uint8_t* bytes) {
  GameConfig config = DecodeConfig(bytes);
  FuzzCheck(config.WinnerName.size() <= kNameCapacity && config.WinnerAlias.size() <= kAliasCapacity,
            "a config text past its field");
  ConfigBytes again = EncodeConfig(config);
  GameConfig reread = DecodeConfig(again.data());
  FuzzCheck(reread.WinnerName == config.WinnerName && reread.WinnerAlias == config.WinnerAlias &&
                reread.RerollDay == config.RerollDay,
            "a config changed by a rewrite");
}

void CheckNews(const uint8_t* bytes) {
  NewsMessage message = DecodeNews(bytes);
  FuzzCheck(message.To.size() <= kAliasCapacity && message.Line1.size() <= kNewsLineCapacity &&
                message.Line2.size() <= kNewsLineCapacity,
            "a news text past its field");
  NewsBytes again = EncodeNews(message);
  NewsMessage reread = DecodeNews(again.data());
  FuzzCheck(reread.To == message.To && reread.Line1 == message.Line1 &&
                reread.Line2 == message.Line2,
            "a news message changed by a rewrite");
}

void CheckNode(const uint8_t* bytes) {
  NodeRecord node = DecodeNode(bytes);
  FuzzCheck(node.Name.size() <= kNameCapacity && node.Message.size() <= kNodeMessageCapacity,
            "a node text past its field");
  NodeBytes again = EncodeNode(node);
  NodeRecord reread = DecodeNode(again.data());
  FuzzCheck(reread.Name == node.Name && reread.PageFlag == node.PageFlag &&
                reread.Message == node.Message,
            "a node record changed by a rewrite");
}

bool Holds(const ValueRange& range, int64_t value) { return value >= range.low && value <= range.high; }

// What the repair promises of every player it leaves: each value it mends is
// inside the range the game and the sysop tool's edits keep it in.
void CheckRepairedPlayers(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  PlayerBytes bytes{};
  while (in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    const PlayerRecord player = DecodePlayer(bytes.data());
    bool held = Holds(player_range::kClothesLevel, player.ClothesLevel) &&
                Holds(player_range::kHouseStreet, player.HouseStreet) &&
                Holds(player_range::kCash, player.Cash) && Holds(player_range::kLastDay, player.LastDay) &&
                Holds(player_range::kTimeLeft, player.TimeLeft) &&
                Holds(player_range::kWhoreCount, bytes[player_at::kWhoreCount]);
    for (size_t k = 0; k < player.WhoreCount; ++k) {
      held = held && Holds(player_range::kWhoreNameIndex, player.WhoreNameIndex[k]) &&
             Holds(player_range::kWhoreHours, player.WhoreHours[k]) &&
             Holds(player_range::kWhoreCondoms, player.WhoreCondoms[k]);
    }
    FuzzCheck(held, "a repaired player holds a value outside its range");
  }
}

// Whole files of such records: the sysop's repair must leave nothing that the
// check still finds, and a second repair must find nothing to do.
void CheckRepair(const uint8_t* data, size_t size) {
  const std::string& dir = FuzzScratchDir();
  WriteFuzzFile(dir + "/kordavin.ply", data, size);
  WriteFuzzFile(dir + "/kordavin.msg", data, size);
  WriteFuzzFile(dir + "/kordavin.cfg", data, std::min(size, kGameConfigFileSize));
  WriteFuzzFile(dir + "/kordavin.1", data, std::min(size, kNodeFileSize));
  InstallFuzzHost(dir);
  try {
    (void)FindDataProblems(dir);
    RepairDataFiles(dir);
    CheckRepairedPlayers(dir + "/kordavin.ply");
    FuzzCheck(FindDataProblems(dir).empty(), "a repair left problems behind");
    FuzzCheck(RepairDataFiles(dir) == 0, "a second repair still found something to mend");
  } catch (const FuzzExit&) {
    FuzzCheck(false, "a repair ended the session with a file error");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Short input is padded with zeros, as a record cut short by a crash would
  // be read by a tool that pads; each decoder gets exactly its record size,
  // held in its own buffer so ASan sees any read past it.
  std::vector<uint8_t> player(data, data + std::min(size, kPlayerRecordSize));
  player.resize(kPlayerRecordSize);
  CheckPlayer(player.data());
  std::vector<uint8_t> config(player.begin(), player.begin() + kGameConfigSize);
  CheckConfig(config.data());
  std::vector<uint8_t> news(player.begin(), player.begin() + kNewsMessageSize);
  CheckNews(news.data());
  std::vector<uint8_t> node(player.begin(), player.begin() + kNodeRecordSize);
  CheckNode(node.data());
  CheckRepair(data, size);
  return 0;
}
