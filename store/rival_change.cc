#include "store/data_files.h"
#include "store/rival_change.h"

#include "store/files.h"

namespace {


}  // namespace

bool ChangeRival(int16_t number, const std::function<bool(PlayerRecord& rival)>& change) {
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  const int64_t index = int64_t{number} - 1;
  // A reroll may have emptied the file since the rival was chosen.
  const bool there = index >= 0 && index < RecordCount(file);
  PlayerBytes bytes{};
  if (there) {
    SeekRecord(file, index);
    ReadRecord(file, bytes.data());
  }
  PlayerRecord rival = DecodePlayer(bytes.data());
  const bool write = change(rival) && there;
  if (write) {
    // Cash on disk is never negative, whoever wrote the record.
    if (rival.Cash < 0) rival.Cash = 0;
    bytes = EncodePlayer(rival);
    SeekRecord(file, index);
    WriteRecord(file, bytes.data());
  }
  CloseRecordFile(file);
  return write;
}
