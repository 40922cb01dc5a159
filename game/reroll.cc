// The data-file check at start-up, the reroll that starts a new game on its
// day, and the end-of-game text every caller sees until then.
#include "game/reroll.h"

#include <string>
#include <string_view>
#include <vector>

#include "door/display.h"
#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/files.h"
#include "store/shared_data.h"
#include "store/step.h"
#include "store/whole_files.h"
#include "store/records.h"
#include "store/state.h"
#include "store/session_end.h"

namespace {

// Writes bytes as the file's whole content: a reroll replaces what is
// there, filling in a missing file keeps one that is there after all.
// Returns whether it wrote. A file that cannot be written is reported
// rather than announced as "Rerolled.", which would fail at the first read,
// far from the cause.
bool WriteDataFile(StepFile which, std::string_view name, const std::vector<uint8_t>& bytes,
                   bool keep_existing) {
  if (keep_existing) {
    bool created = false;
    EndUnlessStored(CreateWholeFile(name, bytes, created));
    return created;
  }
  StoreStep step;
  EndUnlessStored(TakeForRewrite(step, which));
  EndUnlessStored(step.Replace(which, bytes));
  return true;
}

// Readers take only the first record; the zero tail keeps the file the size
// it has always been created with.
std::vector<uint8_t> EmptyConfigBlock() { return std::vector<uint8_t>(kGameConfigFileSize, 0); }

void MakePlayerFile(bool keep_existing) {
  if (WriteDataFile(StepFile::kPlayers, kPlayerFile, {}, keep_existing)) WriteLine("|03KORDAVIN.PLY Rerolled.");
}

void MakeNewsFile(bool keep_existing) {
  if (WriteDataFile(StepFile::kNews, kNewsFile, {}, keep_existing)) WriteLine("|03KORDAVIN.MSG Rerolled.");
}

void MakeConfigFile(bool keep_existing) {
  if (WriteDataFile(StepFile::kConfig, kConfigFile, EmptyConfigBlock(), keep_existing)) {
    WriteLine("|03KORDAVIN.CFG Rerolled.");
  }
}

void ShowRerollHeader() {
  ClearScreen();
  WriteLine("|13Kordavin Reroll");
  WriteLine("|13" + std::string(16, '\xC4'));
}

void ShowReady() { WriteLine("|CRKordavin is now ready to be played!"); }

// Decides again, under the configuration's lock, from what the file holds
// now; config is left as read. Returns whether the game was rerolled. The
// locks are held from the decision until the new game's files are written:
// a caller who read the old configuration before his title picture must not
// wipe a game that another caller started meanwhile, and no node reads the
// files half made.
bool RerollIfStillDue(GameConfig& config) {
  StoreStep step;
  step.TakeOrEnd(StepFile::kConfig);
  ConfigBytes bytes{};
  if (RecordCount(step.config) >= 1) ReadRecord(step.config, bytes.data());
  config = DecodeConfig(bytes.data());
  if (config.RerollDay != TodayDay()) return false;
  EndUnlessStored(TakeForRewrite(step, StepFile::kPlayers));
  EndUnlessStored(TakeForRewrite(step, StepFile::kNews));
  EndUnlessStored(step.Replace(StepFile::kNews, {}));
  EndUnlessStored(step.Replace(StepFile::kPlayers, {}));
  EndUnlessStored(step.Replace(StepFile::kConfig, EmptyConfigBlock()));
  step.End();
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

void ShowTitle() {
  if (DoorSession.Ansi == 1) {
    ShowFile(DoorSession.ProgramDir + "title1.ans");
    GetKeyFrom("\r ", false);
  }
  ClearScreen();
  const std::string blank_row = "\xB3" + std::string(76, ' ') + "\xB3";
  WriteLine("|09\xDA" + Rule(25) + "> |14Kordavin Version 1.51a |09<" + Rule(25) + "\xBF");
  WriteLine(blank_row);
  WriteLine("\xB3" + std::string(25, ' ') + "|12Written By Brisel Software" + std::string(25, ' ') +
            "|09\xB3");
  WriteLine("\xB3" + std::string(19, ' ') + "|12Additional Programming By Tovrek" +
            std::string(25, ' ') + "|09\xB3");
  WriteLine(blank_row);
  WriteLine("\xC0" + CenterText("> Standard <", 76, kRuleChar) + "\xD9");
}

void FillDiceSumCounts() {
  auto& counts = GameSession.DiceSumCounts;
  std::fill(counts.begin(), counts.end(), int16_t{0});
  for (int throw_number = 0; throw_number < 10000; ++throw_number) {
    const int first = Random(6) + 1;
    const int second = Random(6) + 1;
    // The generator is replaceable, so a die outside 1..6 is kept off the table.
    const size_t sum = static_cast<size_t>(std::clamp(first + second, 2, 12));
    ++counts[sum];
  }
}
