#include "store/rival_change.h"

#include "store/caller.h"
#include "store/own_record.h"
#include "store/shared_data.h"
#include "store/state.h"
#include "store/step.h"

RivalStep ChangeRivalInOneStep(
    int32_t number, const Price& price,
    const std::function<bool(PlayerRecord& rival, std::vector<StepNews>& news)>& change) {
  StoreStep step;
  step.TakeOrEnd(StepFile::kPlayers);
  RecordFile& file = step.players;
  // Checked before anything is written, so that a place lost to a new game
  // leaves the rival untouched too.
  if (GameSession.PlayerNumber >= 1) AdoptOwnRecordIn(file);
  if (!Covers(GameSession.Player, price)) return RivalStep::kNotCovered;
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
  // The news is part of the step: its lock is had before the first write, or
  // the step ends with nothing written. Hang-ups wait from here, so that one
  // during the wait for it cannot part the action from its news.
  step.BeginWrites();
  if (!news.empty()) EndUnlessStored(step.Take(StepFile::kNews));
  if (write) {
    // Cash on disk is never negative, whoever wrote the record.
    RaiseNegativeCash(rival);
    bytes = EncodePlayer(rival);
    EndUnlessStored(step.Write(StepFile::kPlayers, index, bytes.data()));
  }
  if (GameSession.PlayerNumber >= 1) StoreOwnRecordIn(file);
  for (const StepNews& message : news) PostNewsIn(step.news, message.To, message.Line, "");
  if (there && (write || !news.empty())) step.wake_players.push_back(number);
  step.End();
  // What he posts himself is for his next call, not for a notice while he plays.
  for (const StepNews& message : news) {
    if (message.To.Name == CallerKey().Name && message.To.Kind == CallerKey().Kind) {
      GameSession.OwnNews.push_back(message.Line);
    }
  }
  return write ? RivalStep::kWritten : RivalStep::kUnchanged;
}

bool ChangeRivalInOneStep(
    int32_t number, const std::function<bool(PlayerRecord& rival, std::vector<StepNews>& news)>& change) {
  return ChangeRivalInOneStep(number, Price{}, change) == RivalStep::kWritten;
}

bool ChangeRival(int32_t number, const std::function<bool(PlayerRecord& rival)>& change) {
  return ChangeRivalInOneStep(
      number, [&change](PlayerRecord& rival, std::vector<StepNews>&) { return change(rival); });
}
