#include "game/loop.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "door/display.h"
#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "store/files.h"
#include "game/menus.h"
#include "store/own_record.h"
#include "store/presence.h"
#include "game/startup.h"
#include "store/state.h"
#include "store/store.h"

namespace {

constexpr int kFullDay = 260;

std::array<CommandAction, kMaxCommandCode + 1> command_actions{};

// Two callers starting in the same second must still get different games, so
// the monotonic milliseconds are mixed in with the time of day.
uint32_t ClockSeed() {
  const LocalClock now = Host.Now();
  const uint32_t second_of_day =
      static_cast<uint32_t>((now.Hour * 60 + now.Minute) * 60 + now.Second);
  const uint64_t ms = static_cast<uint64_t>(Host.MonotonicMs());
  return second_of_day * 1000u + static_cast<uint32_t>(ms % 1000u) +
         static_cast<uint32_t>(ms >> 10) * 2654435761u;
}

bool DayGoesOn() { return GameSession.TimeLeft > 1 && GameSession.TimeLeft <= kFullDay; }

void RaiseNegativeCash() {
  if (GameSession.Player.Cash < 0) GameSession.Player.Cash = 0;
}

[[noreturn]] void EndTheDay() {
  WriteLine("|CR|03" + std::string(77, kRuleChar));
  GameSession.TimeLeft = 0;
  SavePlayer();
  WriteLine("|14Time Passes...|CR");
  WriteLine("|07A smile comes to your face as you see the sky is pitch black. Hopefully");
  WriteLine("your women (if you have any) are very \"re\"productive tonight. You can log");
  WriteLine("on tomorrow to find out what happens.");
  EndSession();
}


}  // namespace

void SetCommandAction(int code, CommandAction action) {
  if (code < 0 || code > kMaxCommandCode) return;
  command_actions[static_cast<size_t>(code)] = action;
}

CommandAction CommandActionFor(int code) {
  // Codes 1..3 only report a walk the menu has already made.
  if (code <= kLastWalkCode || code > kMaxCommandCode) return nullptr;
  return command_actions[static_cast<size_t>(code)];
}

void TakeTime(int units) {
  const int left = std::max<int>(GameSession.TimeLeft - units, std::numeric_limits<int16_t>::min());
  GameSession.TimeLeft = static_cast<int16_t>(std::min<int>(left, std::numeric_limits<int16_t>::max()));
}

void RunStartUp() {
  Host.SeedRandom(ClockSeed());
  GameSession.HireAttempts = 0;
  GameSession.HiresThisSession = 0;
  AskAnsi();
  CheckDataFiles();
  CheckReroll();
  if (!LoadPlayer()) JoinGame();
  // The record read so far only names the player; it is read again by the
  // daily login, after an older session of his has stored its last and gone.
  ArriveOnNode(GameSession.Player.Name, GameSession.PlayerNumber);
  DailyLogin();
  LoadNameLists();
  ShowNews();
  // Not before the news: until the overnight report is added to the record,
  // storing today's day would lose it for good. The report works out the
  // whole night before its one pause, so from here on every wait and every
  // send may store.
  DoorSession.BeforeWait = StoreOwnRecord;
  DoorSession.BeforeSend = StoreCallerBeforeSend;
  ShowOvernight();
  SavePlayer();
  GameSession.Location = 0;
}

void RunCommand(int code) {
  switch (code) {
    case kCodeSpeakToSheinen:
      TakeTime(1);
      ShowDatLines(77, 85);
      return;
    case kCodeSpeakToPete:
      TakeTime(1);
      ShowDatLines(87, 92);
      return;
    case kCodeQuit:
      QuitGame();
      return;
    case kCodeAnsiToggle:
      ToggleAnsi();
      return;
    case kCodeHelp:
      ShowMenu(GameSession.Location);
      return;
    case kCodeInformation:
      ShowInformation();
      return;
    case kCodeOnlineDocumentation:
      ShowDatLines(kDocFirstLine, kDocLastLine);
      return;
    default:
      break;
  }
  if (const CommandAction action = CommandActionFor(code)) action();
}

void RunActionLoop() {
  do {
    RaiseNegativeCash();
    RunCommand(LocationMenu());
    // An overspent day is over either way; stored as negative, a hang-up
    // before the end-of-day save would hand the caller a fresh day at login.
    if (GameSession.TimeLeft < 0) GameSession.TimeLeft = 0;
    SavePlayer();
  } while (DayGoesOn());
  EndTheDay();
}

std::string Ordinal(int n) {
  const int last_two = (n < 0 ? -n : n) % 100;
  std::string suffix = "th";
  if (last_two < 11 || last_two > 13) {
    switch (last_two % 10) {
      case 1: suffix = "st"; break;
      case 2: suffix = "nd"; break;
      case 3: suffix = "rd"; break;
      default: break;
    }
  }
  return IntToText(n) + suffix;
}

std::string ClockText() {
  // A time budget outside the day (overspent, or a damaged record) would give
  // hours and minutes off the clock face, so it is shown at the day's edges.
  const int left = std::clamp<int>(GameSession.TimeLeft, 0, kFullDay);
  const int percent = (left * 200 + kFullDay) / (2 * kFullDay);
  const int elapsed = 100 - percent;
  const int hour = elapsed / 10 + 1;
  const int minute = (elapsed % 10) * 5;
  return IntToText(hour) + ":" + TwoDigits(static_cast<uint16_t>(minute)) + "PM";
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
