#include "store/rival_change.h"

#include "door/terminal.h"
#include "store/caller.h"
#include "store/data_files.h"
#include "store/files.h"
#include "store/own_record.h"
#include "store/state.h"
#include "store/store.h"

bool ChangeRivalInOneStep(
    int16_t number, const std::function<bool(PlayerRecord& rival, std::vector<StepNews>& news)>& change) {
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  const int64_t index = int64_t{number} - 1;
  // A reroll may have emptied the file since the rival was chosen; the
  // caller can never be his own rival.
  const bool there = index >= 0 && index < RecordCount(file) && number != GameSession.PlayerNumber;
  PlayerBytes bytes{};
  if (there) {
    SeekRecord(file, index);
    ReadRecord(file, bytes.data());
  }
  PlayerRecord rival = DecodePlayer(bytes.data());
  std::vector<StepNews> news;
  const bool write = change(rival, news) && there;
  // Checked before anything is written, so that a place lost to a new game
  // leaves the rival untouched too.
  if (GameSession.PlayerNumber >= 1) CheckOwnPlace(file);
  {
    const HangupHold hold;
    if (write) {
      // Cash on disk is never negative, whoever wrote the record.
      if (rival.Cash < 0) rival.Cash = 0;
      bytes = EncodePlayer(rival);
      SeekRecord(file, index);
      WriteRecord(file, bytes.data());
    }
    if (GameSession.PlayerNumber >= 1) StoreOwnRecordIn(file);
    // Taken while the player file is held: news comes after players in the
    // lock order.
    for (const StepNews& message : news) PostNews(message.To, message.Line, "");
  }
  // What he posts himself is for his next call, not for a notice while he plays.
  for (const StepNews& message : news) {
    if (message.To.Name == CallerKey().Name && message.To.Kind == CallerKey().Kind) {
      GameSession.OwnNews.push_back(message.Line);
    }
  }
  CloseRecordFile(file);
  return write;
}

bool ChangeRival(int16_t number, const std::function<bool(PlayerRecord& rival)>& change) {
  return ChangeRivalInOneStep(
      number, [&change](PlayerRecord& rival, std::vector<StepNews>&) { return change(rival); });
}
