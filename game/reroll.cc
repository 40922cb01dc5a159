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

// A configuration left empty or cut short (a full disk) would stop every
// later caller at its first read; once it is gone, the next start-up makes
// a whole one again.
[[noreturn]] void FailWriteOf(const std::string& path, int code) {
  unlink(path.c_str());
  FailRewrite(code);
}

// Writes bytes as the file's whole content. A reroll cuts an existing file
// to nothing; filling in a missing file never touches one that is there
// after all (another node created it a moment ago, or it exists but cannot
// be read), so its players are not wiped out. Returns whether it wrote.
bool WriteDataFile(std::string_view name, const std::vector<uint8_t>& bytes, bool keep_existing) {
  const std::string path = DataPath(name);
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (keep_existing ? O_EXCL : O_TRUNC);
  const int fd = open(path.c_str(), flags, 0666);
  if (fd < 0 && keep_existing && errno == EEXIST) return false;
  if (fd < 0) FailRewrite(errno);
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int code = n < 0 ? errno : kErrShortWrite;
      close(fd);
      FailWriteOf(path, code);
    }
    written += static_cast<size_t>(n);
  }
  if (close(fd) != 0) FailWriteOf(path, errno);
  return true;
}

// Readers take only the first record; the zero tail keeps the file the size
// it has always been created with.
std::vector<uint8_t> EmptyConfigBlock() { return std::vector<uint8_t>(kGameConfigFileSize, 0); }

void MakePlayerFile(bool keep_existing) {
  if (WriteDataFile(kPlayerFileName, {}, keep_existing)) WriteLine("|03KORDAVIN.PLY Rerolled.");
}

void MakeNewsFile(bool keep_existing) {
  if (WriteDataFile(kNewsFileName, {}, keep_existing)) WriteLine("|03KORDAVIN.MSG Rerolled.");
}

void MakeConfigFile(bool keep_existing) {
  if (WriteDataFile(kConfigFileName, EmptyConfigBlock(), keep_existing)) {
    WriteLine("|03KORDAVIN.CFG Rerolled.");
  }
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

}  // namespace

void CreatePlayerFile() { MakePlayerFile(false); }

void CreateNewsFile() { MakeNewsFile(false); }

void CreateConfigFile() { MakeConfigFile(false); }

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
  if (!have_config) MakeConfigFile(true);
  if (!have_players) MakePlayerFile(true);
  if (!have_news) MakeNewsFile(true);
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
