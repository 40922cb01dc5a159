#include "game/loop.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "store/files.h"
#include "game/menus.h"
#include "store/own_record.h"
#include "store/presence.h"
#include "game/join.h"
#include "game/overnight.h"
#include "game/reroll.h"
#include "store/rules.h"
#include "store/state.h"
#include "store/store.h"
#include "store/session_end.h"

namespace {

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

bool DayGoesOn() {
  return GameSession.TimeLeft > kDayOverAtUnits && GameSession.TimeLeft <= kDayUnits;
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
  // A page or a rival's move that woke the door during the start-up could
  // not be shown before the day began.
  CallWaitingHookAtNextWait();
}

void RunCommand(int code) {
  switch (code) {
    case kCodeSpeakToSheinen:
      TakeTime(time_cost::kLook);
      ShowDatLines(kSheinenSpeaks.first, kSheinenSpeaks.last);
      return;
    case kCodeSpeakToPete:
      TakeTime(time_cost::kLook);
      ShowDatLines(kPeteSpeaks.first, kPeteSpeaks.last);
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
    RaiseNegativeCash(GameSession.Player);
    RunCommand(LocationMenu());
    // An overspent day is over either way; stored as negative, a hang-up
    // before the end-of-day save would hand the caller a fresh day at login.
    if (GameSession.TimeLeft < 0) GameSession.TimeLeft = 0;
    SavePlayer();
  } while (DayGoesOn());
  EndTheDay();
}
