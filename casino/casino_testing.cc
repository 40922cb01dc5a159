#include "casino/casino_testing.h"

#include <vector>

#include "casino/stake.h"
#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"
#include "store/own_record.h"
#include "store/records.h"
#include "store/state.h"

void CasinoTest::SetUp() {
  dir_ = MakeScratchDir("casino");
  InstallFakeHost(dir_);
  DoorSession.Ansi = 0;  // plain bytes, so the texts can be compared whole
  CasinoBet = CasinoBetRecord{};
  SeatPlayer(1000);
}

void CasinoTest::SeatPlayer(int32_t cash, int16_t time_left) {
  ResetGameSession();
  GameSession.Player = NewPlayer();
  GameSession.Player.Cash = cash;
  GameSession.PlayerNumber = 1;
  GameSession.TimeLeft = time_left;
  GameSession.Location = 0;
  // On file as well: a stake is paid from his record as it stands there.
  const PlayerBytes bytes = EncodePlayer(StoredRecordOf(GameSession.Player));
  WriteScratchFile(dir_ + "/kordavin.ply", std::string(bytes.begin(), bytes.end()));
  RememberOwnRecord(DecodePlayer(bytes.data()));
}

int32_t CasinoCardDraw(int card) { return card - 1; }

std::string RenderCasinoScreen(const std::string& bytes) {
  std::vector<std::string> lines(1);
  size_t column = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\x1B') {
      while (i < bytes.size() && !(bytes[i] >= 'A' && bytes[i] <= 'z' && bytes[i] != '[')) ++i;
      continue;
    }
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      lines.emplace_back();
    } else if (c == '\b') {
      if (column > 0) --column;
    } else {
      std::string& line = lines.back();
      if (line.size() <= column) line.resize(column + 1, ' ');
      line[column++] = c;
    }
  }
  std::string screen;
  // Trailing blanks (left by erasing) are invisible on a terminal.
  for (const std::string& line : lines) screen += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
  return screen;
}
