#include "store/records_testing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>


#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"
#include "store/state.h"

std::string MakeRecordsTestDir() {
  const std::string dir = MakeScratchDir("records");
  InstallFakeHost(dir);
  ResetGameSession();
  return dir;
}

void WriteRecordsTestFile(const std::string& name, const std::string& bytes) {
  WriteScratchFile(DoorSession.ProgramDir + name, bytes);
}

std::string ReadRecordsTestFile(const std::string& name) {
  return ReadWholeFile(DoorSession.ProgramDir + name);
}

bool RecordsTestFileExists(const std::string& name) {
  struct stat info {};
  return stat((DoorSession.ProgramDir + name).c_str(), &info) == 0;
}

namespace {

template <typename Record, typename Decode>
std::vector<Record> ReadRecords(const std::string& path, size_t size, Decode decode) {
  const std::string bytes = ReadWholeFile(path);
  std::vector<Record> records;
  for (size_t at = 0; at + size <= bytes.size(); at += size) {
    records.push_back(decode(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  }
  return records;
}

}  // namespace

std::vector<PlayerRecord> ReadPlayerFile(const std::string& dir) {
  return ReadRecords<PlayerRecord>(dir + "/kordavin.ply", kPlayerRecordSize, DecodePlayer);
}

std::vector<NewsMessage> ReadNewsFile(const std::string& dir) {
  return ReadRecords<NewsMessage>(dir + "/kordavin.msg", kNewsMessageSize, DecodeNews);
}

std::string PlayerFileBytes(const std::vector<PlayerRecord>& players) {
  std::string bytes;
  for (const PlayerRecord& player : players) bytes += RecordsTestBytes(EncodePlayer(player));
  return bytes;
}
