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
#include "store/data_files.h"
#include "store/files.h"
#include "game/loop.h"
#include "store/records.h"
#include "game/startup.h"
#include "store/state.h"

namespace {

// Held from the decision to reroll until the new game's files are written:
// a caller who read the old configuration before his title picture must not
// wipe a game that another caller started meanwhile, and no node reads the
// files half made. Taken in the order configuration, players, news, the
// order every holder of two of them keeps.
RecordFile reroll_config;
RecordFile reroll_players;
RecordFile reroll_news;

void ReleaseRerollLocks() {
  CloseRecordFile(reroll_news);
  CloseRecordFile(reroll_players);
  CloseRecordFile(reroll_config);
}

// A file that cannot be created would otherwise be announced as "Rerolled."
// and fail at the first read, far from the cause.
[[noreturn]] void FailRewrite(int code) {
  ReleaseRerollLocks();
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

// Writes every byte at the start of the file; an errno code, or 0.
int WriteAllAt(int fd, const std::vector<uint8_t>& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = pwrite(fd, bytes.data() + written, bytes.size() - written,
                             static_cast<off_t>(written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : kErrShortWrite;
    written += static_cast<size_t>(n);
  }
  return 0;
}

// Where the file system cannot make a nameless file: create under the name
// at once, never over a file that is there after all.
bool CreateUnderName(const std::string& path, const std::vector<uint8_t>& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) return false;
  if (fd < 0) FailRewrite(errno);
  const int code = WriteAllAt(fd, bytes);
  if (close(fd) != 0 || code != 0) FailWriteOf(path, code != 0 ? code : errno);
  return true;
}

// A missing file is written whole while it has no name and only then linked
// in: a node arriving at the same moment never finds it there but empty, and
// a node killed half-way leaves nothing behind. A file that is there after
// all (another node created it a moment ago, or it exists but cannot be
// read) is never touched, so its players are not wiped out.
bool CreateWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const int fd = open(DoorSession.ProgramDir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return CreateUnderName(path, bytes);
  const int code = WriteAllAt(fd, bytes);
  if (code != 0) {
    close(fd);
    FailRewrite(code);
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  const bool linked = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
  const bool there_already = !linked && errno == EEXIST;
  close(fd);
  if (linked) return true;
  return there_already ? false : CreateUnderName(path, bytes);
}

// A reroll overwrites the content in place and only then cuts the file to
// its new length, so no moment shows another node a file shorter than its
// first record.
void RewriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) FailRewrite(errno);
  int code = WriteAllAt(fd, bytes);
  if (code == 0 && ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) code = errno;
  if (close(fd) != 0 && code == 0) code = errno;
  if (code != 0) FailWriteOf(path, code);
}

// Writes bytes as the file's whole content: a reroll replaces what is
// there, filling in a missing file keeps one that is there after all.
// Returns whether it wrote.
bool WriteDataFile(std::string_view name, const std::vector<uint8_t>& bytes, bool keep_existing) {
  const std::string path = DataPath(name);
  if (keep_existing) return CreateWholeFile(path, bytes);
  RewriteFile(path, bytes);
  return true;
}

// Readers take only the first record; the zero tail keeps the file the size
// it has always been created with.
std::vector<uint8_t> EmptyConfigBlock() { return std::vector<uint8_t>(kGameConfigFileSize, 0); }

void MakePlayerFile(bool keep_existing) {
  if (WriteDataFile(kPlayerFile, {}, keep_existing)) WriteLine("|03KORDAVIN.PLY Rerolled.");
}

void MakeNewsFile(bool keep_existing) {
  if (WriteDataFile(kNewsFile, {}, keep_existing)) WriteLine("|03KORDAVIN.MSG Rerolled.");
}

void MakeConfigFile(bool keep_existing) {
  if (WriteDataFile(kConfigFile, EmptyConfigBlock(), keep_existing)) {
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
  OpenRecordFile(file, kConfigFile, kGameConfigSize, kModeShared);
  ConfigBytes bytes{};
  ReadRecord(file, bytes.data());
  CloseRecordFile(file);
  return DecodeConfig(bytes.data());
}

// Decides again, under the configuration's lock, from what the file holds
// now; config is left as read. Returns whether the game was rerolled.
bool RerollIfStillDue(GameConfig& config) {
  OpenRecordFile(reroll_config, kConfigFile, kGameConfigSize, kModeExclusive);
  ConfigBytes bytes{};
  if (RecordCount(reroll_config) >= 1) ReadRecord(reroll_config, bytes.data());
  config = DecodeConfig(bytes.data());
  if (config.RerollDay != TodayDay()) {
    ReleaseRerollLocks();
    return false;
  }
  OpenRecordFile(reroll_players, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  OpenRecordFile(reroll_news, kNewsFile, kNewsMessageSize, kModeExclusive);
  WriteDataFile(kNewsFile, {}, false);
  WriteDataFile(kPlayerFile, {}, false);
  WriteDataFile(kConfigFile, EmptyConfigBlock(), false);
  ReleaseRerollLocks();
  ShowRerollHeader();
  WriteLine("|03KORDAVIN.MSG Rerolled.");
  WriteLine("|03KORDAVIN.PLY Rerolled.");
  WriteLine("|03KORDAVIN.CFG Rerolled.");
  GameSession.WinnerName.clear();
  ShowReady();
  return true;
}

[[noreturn]] void ShowGameOver(const GameConfig& config) {
  ClearScreen();
  WriteLine("");
  WriteLine("     |15This adventure of Kordavin has ended. Unfortunately, you have gone out");
  WriteLine("of business. A few days ago, one of your fellow pimps who goes by the name of");
  WriteLine("|14" + NameOnScreen(config.WinnerName) + "|15 bought Flaming Sheinen's Restaurant.");
  WriteRawLine("");
  WriteLine("     He then owned the most important place in the city. You and all the");
  WriteLine("rest of the pimps were broke because of his cornering of the market. Lets");
  const bool handles = CallerKey().Kind == kKeyedByHandle;
  const std::string& winner =
      NameIsShown(config.WinnerKind, handles) ? config.WinnerAlias : config.WinnerName;
  WriteLine("have a round of applause for |14" + NameOnScreen(winner) + ".");
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
  const bool have_data = FileReadable(DataPath(kDatFile));
  const bool have_players = FileReadable(DataPath(kPlayerFile));
  const bool have_config = FileReadable(DataPath(kConfigFile));
  const bool have_news = FileReadable(DataPath(kNewsFile));
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
  GameConfig config = ReadConfigRecord();
  GameSession.WinnerName = CutText(config.WinnerName, 50);
  ShowTitle();
  FillDiceSumCounts();
  if (config.RerollDay == TodayDay()) {
    if (RerollIfStillDue(config)) return;
    GameSession.WinnerName = CutText(config.WinnerName, 50);
  }
  if (!GameSession.WinnerName.empty()) ShowGameOver(config);
}
