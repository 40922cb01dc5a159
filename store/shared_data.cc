#include "store/shared_data.h"

#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

#include "door/text.h"
#include "store/dat_lines.h"
#include "store/data_files.h"
#include "store/files.h"
#include "store/state.h"

namespace {

// The scan runs under the same exclusive open as the write that follows, so
// two messages posted at the same moment never pick the same free slot.
int64_t FirstFreeNewsSlot(RecordFile& file) {
  int64_t free_slot = -1;
  ScanRecords(file, std::numeric_limits<int64_t>::max(), [&](int64_t index, const uint8_t* slot) {
    if (!DecodeNews(slot).To.empty()) return true;
    free_slot = index;
    return false;
  });
  return free_slot >= 0 ? free_slot : file.position;
}

// Lines end in LF, with or without a CR before it, as the file may have been
// edited on either kind of system.
std::vector<std::string> ReadTextLines(const std::string& path, int count) {
  std::vector<std::string> lines;
  FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return lines;
  std::string line;
  int c;
  while (static_cast<int>(lines.size()) < count && (c = std::fgetc(in)) != EOF) {
    if (c != '\n') {
      if (line.size() < kMaxText + 1) line.push_back(static_cast<char>(c));
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    line.clear();
  }
  if (!line.empty() && static_cast<int>(lines.size()) < count) {
    if (line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  std::fclose(in);
  return lines;
}

std::string LineOf(const std::vector<std::string>& lines, int number, size_t length) {
  if (number < 1 || number > static_cast<int>(lines.size())) return std::string();
  return CutText(lines[static_cast<size_t>(number - 1)], length);
}

}  // namespace

void PostNewsIn(RecordFile& news, const PlayerKey& to, std::string_view line1,
                std::string_view line2) {
  NewsMessage message{CutText(to.Name, kAliasCapacity), CutText(line1, kNewsLineCapacity),
                      CutText(line2, kNewsLineCapacity), to.Kind};
  NewsBytes bytes = EncodeNews(message);
  SeekRecord(news, 0);
  int64_t slot = FirstFreeNewsSlot(news);
  SeekRecord(news, slot);
  WriteRecord(news, bytes.data());
}

void PostNews(const PlayerKey& to, std::string_view line1, std::string_view line2) {
  RecordFile file;
  OpenRecordFile(file, kNewsFile, kNewsMessageSize, kModeExclusive);
  PostNewsIn(file, to, line1, line2);
}

std::vector<WaitingNews> NewsWaitingFor(const PlayerKey& key, bool& cut_off) {
  std::vector<WaitingNews> found;
  RecordFile file;
  OpenRecordFile(file, kNewsFile, kNewsMessageSize, kModeShared);
  ScanRecords(file, RecordCount(file), [&](int64_t slot, const uint8_t* record) {
    NewsMessage message = DecodeNews(record);
    if (IsAddressedTo(message, key) && message.Line1 != kShownNewsLine) {
      found.push_back({slot, std::move(message)});
    }
    return true;
  });
  cut_off = !AtEndOfFile(file);
  return found;
}

void MarkNewsShown(const std::vector<WaitingNews>& shown, bool cut_off) {
  NewsMessage blank;
  blank.Line1 = kShownNewsLine;
  blank.Line2 = kShownNewsLine;
  const NewsBytes blank_bytes = EncodeNews(blank);
  RecordFile file;
  OpenRecordFile(file, kNewsFile, kNewsMessageSize, kModeExclusive);
  const int64_t slots = RecordCount(file);
  for (const WaitingNews& news : shown) {
    if (news.slot >= slots) continue;
    NewsBytes bytes{};
    SeekRecord(file, news.slot);
    ReadRecord(file, bytes.data());
    const NewsMessage there = DecodeNews(bytes.data());
    const NewsMessage& was = news.message;
    if (there.To != was.To || there.ToKind != was.ToKind || there.Line1 != was.Line1 ||
        there.Line2 != was.Line2) {
      continue;
    }
    SeekRecord(file, news.slot);
    WriteRecord(file, blank_bytes.data());
  }
  if (cut_off) {
    NewsBytes bytes{};
    SeekRecord(file, slots);
    ReadRecord(file, bytes.data());
  }
}

void ReaddressNews(const PlayerKey& from, const PlayerKey& to) {
  RecordFile file;
  if (!OpenRecordFile(file, kNewsFile, kNewsMessageSize, kModeExclusive)) return;
  std::vector<int64_t> slots;
  ScanRecords(file, RecordCount(file), [&](int64_t index, const uint8_t* slot) {
    if (IsAddressedTo(DecodeNews(slot), from)) slots.push_back(index);
    return true;
  });
  for (int64_t index : slots) {
    NewsBytes bytes{};
    SeekRecord(file, index);
    ReadRecord(file, bytes.data());
    NewsMessage message = DecodeNews(bytes.data());
    message.To = CutText(to.Name, kAliasCapacity);
    message.ToKind = to.Kind;
    bytes = EncodeNews(message);
    SeekRecord(file, index);
    WriteRecord(file, bytes.data());
  }
  CloseRecordFile(file);
}

void ReaddressWinner(std::string_view winner_name, std::string_view old_alias,
                     const PlayerKey& new_key) {
  RecordFile file;
  if (!OpenRecordFile(file, kConfigFile, kGameConfigSize, kModeExclusive)) return;
  if (RecordCount(file) >= 1) {
    ConfigBytes bytes{};
    ReadRecord(file, bytes.data());
    GameConfig config = DecodeConfig(bytes.data());
    if (!config.WinnerName.empty() && config.WinnerName == winner_name &&
        config.WinnerAlias == old_alias) {
      config.WinnerAlias = CutText(new_key.Name, kAliasCapacity);
      config.WinnerKind = new_key.Kind;
      bytes = EncodeConfig(config);
      SeekRecord(file, 0);
      WriteRecord(file, bytes.data());
    }
  }
  CloseRecordFile(file);
}

GameConfig ReadConfig() {
  ConfigBytes bytes{};
  RecordFile file;
  if (OpenRecordFile(file, kConfigFile, kGameConfigSize, kModeShared)) {
    if (RecordCount(file) >= 1) ReadRecord(file, bytes.data());
    CloseRecordFile(file);
  }
  return DecodeConfig(bytes.data());
}

GameConfig ReadConfigRecord() {
  RecordFile file;
  OpenRecordFile(file, kConfigFile, kGameConfigSize, kModeShared);
  ConfigBytes bytes{};
  ReadRecord(file, bytes.data());
  return DecodeConfig(bytes.data());
}

void WriteConfig(const GameConfig& config) {
  ConfigBytes bytes = EncodeConfig(config);
  RecordFile file;
  OpenRecordFile(file, kConfigFile, kGameConfigSize, kModeExclusive);
  SeekRecord(file, 0);
  WriteRecord(file, bytes.data());
  CloseRecordFile(file);
}

void LoadNameLists() {
  std::vector<std::string> lines = ReadTextLines(DataPath(kDatFile), kLastNameLine);
  for (int i = 1; i <= kClothesNames; ++i) {
    GameSession.ClothesName[static_cast<size_t>(i)] =
        LineOf(lines, kFirstClothesLine + i - 1, kClothesNameLength);
  }
  for (int i = 1; i <= kWhoreNames; ++i) {
    GameSession.WhoreName[static_cast<size_t>(i)] =
        LineOf(lines, kFirstWhoreLine + i - 1, kWhoreNameLength);
  }
}
