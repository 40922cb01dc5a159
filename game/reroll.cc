// The data-file check at start-up, the reroll that starts a new game on its
// day, and the end-of-game text every caller sees until then.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "game/files.h"
#include "game/loop.h"
#include "game/records.h"
#include "game/startup.h"
#include "game/state.h"

namespace {

constexpr char kDataFileName[] = "kordavin.dat";
constexpr char kPlayerFileName[] = "kordavin.ply";
constexpr char kConfigFileName[] = "kordavin.cfg";
constexpr char kNewsFileName[] = "kordavin.msg";

// A file that cannot be created would otherwise be announced as "Rerolled."
// and fail at the first read, far from the cause.
[[noreturn]] void FailRewrite(int code) {
  WriteLine("|CRERROR: Unable to write file: " + IntToText(code));
  EndSession();
}

// Creates the file or cuts it to nothing, then writes bytes as its content.
void RewriteFile(std::string_view name, const std::vector<uint8_t>& bytes) {
  const std::string path = DataPath(name);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) FailRewrite(errno);
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int code = n < 0 ? errno : kErrShortWrite;
      close(fd);
      FailRewrite(code);
    }
    written += static_cast<size_t>(n);
  }
  if (close(fd) != 0) FailRewrite(errno);
}

void ShowRerollHeader() {
  ClearScreen();
  WriteLine("|13Kordavin Reroll");
  WriteLine("|13" + std::string(16, '\xC4'));
}

void ShowReady() { WriteLine("|CRKordavin is now ready to be played!"); }

GameConfig ReadConfigRecord() {
  RecordFile file;
  OpenRecordFile(file, kConfigFileName, kGameConfigSize, kModeShared);
  ConfigBytes bytes{};
  ReadRecord(file, bytes.data());
  CloseRecordFile(file);
  return DecodeConfig(bytes.data());
}

void Reroll() {
  ShowRerollHeader();
  CreateNewsFile();
  CreatePlayerFile();
  CreateConfigFile();
  GameSession.WinnerName.clear();
  ShowReady();
}

[[noreturn]] void ShowGameOver(const GameConfig& config) {
  ClearScreen();
  WriteLine("");
  WriteLine("     |15This adventure of Kordavin has ended. Unfortunately, you have gone out");
  WriteLine("of business. A few days ago, one of your fellow pimps who goes by the name of");
  WriteLine("|14" + config.WinnerName + "|15 bought Flaming Sheinen's Restaurant.");
  WriteRawLine("");
  WriteLine("     He then owned the most important place in the city. You and all the");
  WriteLine("rest of the pimps were broke because of his cornering of the market. Lets");
  WriteLine("have a round of applause for |14" + config.WinnerAlias + ".");
  WriteRawLine("");
  WriteLine("|13       This game will automatically reroll on the " + Ordinal(config.RerollDay) +
            " of the month.");
  EndSession();
}

int DaysInMonth(int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  return kDays[month - 1];
}

}  // namespace

void CreatePlayerFile() {
  RewriteFile(kPlayerFileName, {});
  WriteLine("|03KORDAVIN.PLY Rerolled.");
}

void CreateNewsFile() {
  RewriteFile(kNewsFileName, {});
  WriteLine("|03KORDAVIN.MSG Rerolled.");
}

void CreateConfigFile() {
  // Readers take only the first record; the zero tail keeps the file the size
  // it has always been created with.
  RewriteFile(kConfigFileName, std::vector<uint8_t>(kGameConfigFileSize, 0));
  WriteLine("|03KORDAVIN.CFG Rerolled.");
}

void CheckDataFiles() {
  const bool have_data = FileReadable(DataPath(kDataFileName));
  const bool have_players = FileReadable(DataPath(kPlayerFileName));
  const bool have_config = FileReadable(DataPath(kConfigFileName));
  const bool have_news = FileReadable(DataPath(kNewsFileName));
  if (!have_data) {
    WriteLine("|CRKORDAVIN ERROR : KORDAVIN.DAT not found in " + DoorSession.ProgramDir);
    EndSession();
  }
  if (have_players && have_config && have_news) return;
  ShowRerollHeader();
  if (!have_config) CreateConfigFile();
  if (!have_players) CreatePlayerFile();
  if (!have_news) CreateNewsFile();
  ShowReady();
}

void CheckReroll() {
  const GameConfig config = ReadConfigRecord();
  GameSession.WinnerName = CutText(config.WinnerName, 50);
  ShowTitle();
  FillDiceSumCounts();
  if (config.RerollDay == TodayDay()) {
    Reroll();
    return;
  }
  if (!GameSession.WinnerName.empty()) ShowGameOver(config);
}

uint8_t RerollDayAfterWin(int day, int month) {
  const int length = DaysInMonth(month);
  int reroll = day + 2;
  if (reroll > length) reroll -= length;
  if (reroll < 1 || reroll > 31) reroll = 1;
  return static_cast<uint8_t>(reroll);
}
