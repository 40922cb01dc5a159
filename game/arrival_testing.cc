#include "game/arrival_testing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>


#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"
#include "store/state.h"

namespace {

std::string ArrivalPath(const std::string& name) { return DoorSession.ProgramDir + name; }

template <typename Record, size_t Size, typename Encode>
std::string EncodeAll(const std::vector<Record>& records, Encode encode) {
  std::string bytes;
  for (const Record& record : records) {
    const std::array<uint8_t, Size> encoded = encode(record);
    bytes.append(reinterpret_cast<const char*>(encoded.data()), encoded.size());
  }
  return bytes;
}

template <typename Record, typename Decode>
std::vector<Record> DecodeAll(const std::string& bytes, size_t size, Decode decode) {
  EXPECT_EQ(bytes.size() % size, 0u) << "file holds a partial record";
  std::vector<Record> records;
  for (size_t at = 0; at + size <= bytes.size(); at += size) {
    records.push_back(decode(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  }
  return records;
}

}  // namespace

std::string MakeArrivalTestDir(int year, int month, int day) {
  InstallFakeHost(MakeScratchDir("arrival"));
  SetFakeNow(LocalClock{year, month, day, 14, 0, 0});
  DoorSession.Ansi = 0;
  DoorSession.RealName = "Joe Caller";
  ResetGameSession();
  return DoorSession.ProgramDir;
}

void WriteArrivalFile(const std::string& name, const std::string& bytes) {
  WriteScratchFile(ArrivalPath(name), bytes);
}

std::string ReadArrivalFile(const std::string& name) {
  return ReadWholeFile(ArrivalPath(name));
}

bool ArrivalFileExists(const std::string& name) {
  struct stat info {};
  return stat(ArrivalPath(name).c_str(), &info) == 0;
}

void StoreArrivalPlayers(const std::vector<PlayerRecord>& players) {
  WriteArrivalFile("kordavin.ply",
                   EncodeAll<PlayerRecord, kPlayerRecordSize>(players, EncodePlayer));
}

std::vector<PlayerRecord> LoadArrivalPlayers() {
  return DecodeAll<PlayerRecord>(ReadArrivalFile("kordavin.ply"), kPlayerRecordSize,
                                 DecodePlayer);
}

void StoreArrivalNews(const std::vector<NewsMessage>& messages) {
  WriteArrivalFile("kordavin.msg",
                   EncodeAll<NewsMessage, kNewsMessageSize>(messages, EncodeNews));
}

std::vector<NewsMessage> LoadArrivalNews() {
  return DecodeAll<NewsMessage>(ReadArrivalFile("kordavin.msg"), kNewsMessageSize, DecodeNews);
}

void StoreArrivalConfig(const GameConfig& config) {
  const ConfigBytes bytes = EncodeConfig(config);
  std::string block(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  block.resize(kGameConfigFileSize, '\0');
  WriteArrivalFile("kordavin.cfg", block);
}

int CountArrivalText(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}
