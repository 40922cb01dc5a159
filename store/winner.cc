#include "store/winner.h"

#include <string>

#include "door/terminal.h"
#include "store/data_files.h"
#include "store/files.h"
#include "store/players.h"

namespace {

}  // namespace

bool RecordWinner(std::string_view pimp, const PlayerKey& alias, uint8_t reroll_day,
                  GameConfig& config) {
  // The step is all or nothing as far as a hang-up goes; only a kill can cut
  // it, and the configuration is written last, so a cut step names nobody.
  const HangupHold held;
  RecordFile file;
  OpenRecordFile(file, kConfigFile, kGameConfigSize, kModeExclusive);
  ConfigBytes bytes{};
  if (RecordCount(file) >= 1) ReadRecord(file, bytes.data());
  config = DecodeConfig(bytes.data());
  if (!config.WinnerName.empty()) {
    CloseRecordFile(file);
    return false;
  }
  SavePlayer();
  config.WinnerName = std::string(pimp);
  config.WinnerAlias = alias.Name;
  config.WinnerKind = alias.Kind;
  config.RerollDay = reroll_day;
  bytes = EncodeConfig(config);
  SeekRecord(file, 0);
  WriteRecord(file, bytes.data());
  CloseRecordFile(file);
  return true;
}
