#include "store/winner.h"

#include <string>

#include "store/data_files.h"
#include "store/files.h"
#include "store/own_record.h"
#include "store/state.h"
#include "store/step.h"

WinnerStep RecordWinner(std::string_view pimp, const PlayerKey& alias, uint8_t reroll_day,
                        const std::function<bool(const PlayerRecord& me)>& qualifies,
                        GameConfig& config) {
  StoreStep step;
  step.TakeOrEnd(StepFile::kConfig);
  ConfigBytes bytes{};
  if (RecordCount(step.config) >= 1) EndUnlessStored(ReadRecordAt(step.config, 0, bytes.data()));
  config = DecodeConfig(bytes.data());
  if (!config.WinnerName.empty()) return WinnerStep::kAlreadyWon;
  step.TakeOrEnd(StepFile::kPlayers);
  AdoptOwnRecordIn(step.players);
  if (!qualifies(GameSession.Player)) return WinnerStep::kNotQualified;
  // The configuration is written last, so a step a kill cut short names
  // nobody.
  step.BeginWrites();
  StoreOwnRecordIn(step.players);
  config.WinnerName = std::string(pimp);
  config.WinnerAlias = alias.Name;
  config.WinnerKind = alias.Kind;
  config.RerollDay = reroll_day;
  bytes = EncodeConfig(config);
  EndUnlessStored(step.Write(StepFile::kConfig, 0, bytes.data()));
  step.End();
  return WinnerStep::kWon;
}
