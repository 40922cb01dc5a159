// Flaming Sheinen's: the horny man for hire, the women at the bar, the Flame
// Burger and the purchase of the bar that ends the game.
#include "town/sheinens.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "game/menus.h"
#include "game/not_covered.h"
#include "store/caller.h"
#include "store/files.h"
#include "store/records.h"
#include "store/rules.h"
#include "store/state.h"
#include "store/store.h"
#include "store/winner.h"
#include "store/session_end.h"
#include "town/roster.h"
#include "town/street.h"

namespace {

constexpr int kLowestAppeal = 31;

// A share of the caller's worth. A damaged record could make the worth
// negative, and a negative fee would pay the caller for hiring.
int32_t AgentFee(const PlayerRecord& player) {
  const double fee = std::trunc(NetWorth(player) / static_cast<double>(kAgentFeeWorthShare));
  return static_cast<int32_t>(std::clamp(fee, 0.0, 2147483647.0));
}

// Asks for a rival until one with whores is chosen; -1 when none is.
int32_t SelectRivalWithWhores(PlayerRecord& victim) {
  int32_t number = SelectRival();
  while (number != -1) {
    ReadPlayer(number, victim);
    if (victim.WhoreCount > 0) return number;
    WriteLine("|CRSorry, he currently owns no whores, select again.");
    number = SelectRival();
  }
  return -1;
}

// Lists his whores and asks for one; 0 when none is chosen.
int ChooseRivalWhore(const PlayerRecord& victim) {
  WriteLine("|CR|03Select Whore");
  WriteLine("|03" + RepeatChar('\xC4', 12));
  for (int k = 1; k <= victim.WhoreCount; ++k) {
    WriteLine("|12" + PadLeft(IntToText(k), 2, ' ') + "] |14" +
              WhoreNameOf(victim.WhoreNameIndex[k - 1]));
  }
  WriteRawLine("");
  int32_t choice;
  do {
    WriteText("|06[|02WHORE ROSTER|06]|14: |11");
    choice = InputNumber(2);
  } while (choice < 0 || choice > victim.WhoreCount);
  WriteRawLine("");
  return choice;
}

// The slot of the whore chosen from his list, in his record as it is now:
// others may have taken whores from him since the list was shown, moving
// her up. 0 once she is gone.
int FindChosenWhore(const PlayerRecord& now, int chosen_slot, int name_index) {
  const int count = std::min<int>(now.WhoreCount, kMaxWhores);
  if (chosen_slot <= count && now.WhoreNameIndex[chosen_slot - 1] == name_index) {
    return chosen_slot;
  }
  for (int k = std::min(chosen_slot - 1, count); k >= 1; --k) {
    if (now.WhoreNameIndex[k - 1] == name_index) return k;
  }
  return 0;
}

// The more condoms she carries, the smaller his chance: one in
// (condoms + 2) div 20, and never worse than certain. Returns whether his
// record changed.
bool AgentTriesHisLuck(PlayerRecord& victim, int whore, int32_t fee, bool& success) {
  const int32_t odds = std::max((victim.WhoreCondoms[whore - 1] + 2) / 20, 1);
  Pay(GameSession.Player, Price{.Cash = fee});
  TakeTime(time_cost::kHireAgent);
  success = Random(odds) == 0;
  if (success) RemoveWhoreSlot(victim, whore);
  return success;
}

// The news is part of the agent's step: a hang-up can never leave her gone
// from his record with nobody told, nor the fee paid without its report.
void AddAgentsNews(std::vector<StepNews>& news, const std::string& her_name,
                   const PlayerKey& victim, bool success) {
  if (!success) {
    news.push_back(
        {CallerKey(), "The horny man was unsuccesful in getting " + her_name + " pregnant."});
    return;
  }
  news.push_back({CallerKey(),
                  "The horny man you hired was succesful in getting " + her_name + " pregnant."});
  news.push_back({victim, her_name + " got pregnant. She is permantly \"out of service\"."});
}

bool HasWhoreNamed(const PlayerRecord& player, int name_index) {
  for (int k = 0; k < player.WhoreCount && k < kMaxWhores; ++k) {
    if (player.WhoreNameIndex[k] == name_index) return true;
  }
  return false;
}

// A name none of the caller's whores already has.
int DrawNewWhoreName() {
  int r;
  do {
    r = 1 + Random(kWhoreNames);
  } while (HasWhoreNamed(GameSession.Player, r));
  return r;
}

void HireWhore(int name_index) {
  PlayerRecord& me = GameSession.Player;
  ++GameSession.HiresThisSession;
  WriteLine("She returns to the bar and says, \"Sure, I'll work for you, I'll see you");
  WriteLine("tonight at your corner.\"");
  const int slot = me.WhoreCount;
  me.WhoreNameIndex[slot] = static_cast<uint8_t>(name_index);
  me.WhoreDays[slot] = 0;
  me.WhoreHours[slot] =
      static_cast<uint8_t>(kFewestWhoreHours + Random(kMostWhoreHours - kFewestWhoreHours + 1));
  me.WhoreCondoms[slot] = 0;
  me.WhoreRate[slot] = 0;
  me.WhoreCount = static_cast<uint8_t>(slot + 1);
}

// A better corner and better clothes make a woman likelier to say yes, and
// every third try of a session succeeds on persistence alone.
void AskWomanToWork() {
  const PlayerRecord& me = GameSession.Player;
  const int name_index = DrawNewWhoreName();
  WriteLine("|CRYou walk up to " + WhoreNameOf(name_index) +
            " and she asks you if you want to have a good time.");
  WriteLine("You chuckle and say, \"I like your initiative, would you like to start working");
  WriteLine("for me, I will pay you well.\" ");
  ++GameSession.HireAttempts;
  WriteLine("|CR|13Time Passes...|CR");
  const int appeal = std::max(me.HouseStreet + 5 * me.ClothesLevel + 1, kLowestAppeal);
  const int32_t roll = Random(150);
  TakeTime(time_cost::kTalkToWomen);

  const bool willing = appeal > roll || GameSession.HireAttempts % 3 == 0;
  if (GameSession.HiresThisSession >= kHiresPerSession) {
    WriteLine("She returns to the bar and says, \"You have picked up too many other women");
    WriteLine("today. Maybe I'll work for you some other time.\"");
  } else if (willing) {
    HireWhore(name_index);
  } else {
    WriteLine("She returns to the bar and says, \"With those clothes and that corner, no way!\"");
  }
}

int MonthLength(int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[std::clamp(month, 1, 12) - 1];
}

// Two days after the win, wrapping into the next month.
uint8_t RerollDayAfterWin(const LocalClock& today) {
  int day = today.Day + 2;
  const int length = MonthLength(today.Month);
  if (day > length) day -= length;
  return static_cast<uint8_t>(day);
}

}  // namespace

void HireAgent() {
  const int32_t fee = AgentFee(GameSession.Player);
  const bool too_poor = fee > GameSession.Player.Cash;
  if (too_poor || CountPlayers() <= 1) {
    WriteLine(too_poor ? "|CRNone of the men will talk to you because you have so little cash."
                       : "|CRThere are no rival pimps to sabotage.");
    TakeTime(time_cost::kLook);
    return;
  }
  WriteLine("|CRYou see a really horny guy sitting in the restaurant. You go up to him and");
  WriteLine("ask him if he wants to have sex with one of you rival pimps girls. He nods");
  WriteText("his head and says, \"Give me $" + IntToText(fee) +
            ".\"|CR|CRDo you give him the money? [Y/N] ");
  if (!AskYesNo()) return;

  WriteLine("|CRSelect pimp to sabotage :");
  PlayerRecord victim;
  const int32_t number = SelectRivalWithWhores(victim);
  if (number == -1) return;
  const int whore = ChooseRivalWhore(victim);
  if (whore == 0) {
    WriteLine("The horny man just left the restaurant.");
    return;
  }
  // The whore is looked for again in his record as it is now; if she has
  // left him meanwhile, the man takes no money and walks off.
  const int name_index = victim.WhoreNameIndex[whore - 1];
  bool success = false;
  bool found = false;
  const RivalStep step = ChangeRivalInOneStep(
      number, Price{.Cash = fee}, [&](PlayerRecord& now, std::vector<StepNews>& news) {
        const int slot = FindChosenWhore(now, whore, name_index);
        found = slot != 0;
        if (!found) return false;
        const bool changed = AgentTriesHisLuck(now, slot, fee, success);
        AddAgentsNews(news, WhoreNameOf(name_index), KeyOf(now), success);
        return changed;
      });
  if (step == RivalStep::kNotCovered) {
    TellPriceNotCovered();
    return;
  }
  if (!found) {
    WriteLine("The horny man just left the restaurant.");
    return;
  }
  WriteLine("The horny man smiles and says, \"I'll be sure that there is a pin hole!\" He");
  WriteLine("laughs and leaves holding his money high in the air. Tomorrow, you will find");
  WriteLine("out if he was succesful.");
}

void TalkToWomen() {
  const PlayerRecord& me = GameSession.Player;
  const int starting_count = me.WhoreCount;
  if (me.HouseStreet > 0 && starting_count < kMaxWhores) AskWomanToWork();
  if (me.HouseStreet == 0) {
    WriteLine("|CRNone of the whores will even talk to you, you have to get a whore house first.");
    TakeTime(time_cost::kLook);
  }
  if (starting_count >= kMaxWhores) {
    WriteLine("|CRYou already have " + IntToText(kMaxWhores) +
              " whores. If want a new one, disband one of your whores.");
    TakeTime(time_cost::kLook);
  }
}

void EatFlameBurger() {
  GameSession.Player.AteFlameBurger = 1;
  WriteLine("|CRYou go up the bar and Flaming Sheinen serves you up a red hot Flame Burger.");
  WriteLine("You quickly eat it down and you find out it is surprisingly good. Flaming");
  WriteLine("Sheinen smiles as you eat another. He says, \"Don't bother paying, its on me.\"");
  WriteLine("You smile and leave the restaurant.");
  TakeTime(time_cost::kFlameBurger);
}

// Another caller bought the bar first: this one keeps his money, and his
// game is over as everybody's is.
[[noreturn]] void TellTheBarIsSold(const GameConfig& config) {
  WriteLine("|CRFlaming Sheinen runs up to and says, \"Sorry, you are too late. I just sold the");
  WriteLine("bar to " + NameOnScreen(config.WinnerName) + ".\"");
  WriteLine("You keep your money, but the game has been won.");
  WriteLine("|CR|13       This game will automatically reroll on the " + Ordinal(config.RerollDay) +
            " of the month.");
  EndSession();
}

void BuyTheBar() {
  // What is on its way goes out first: nothing is sent under the lock.
  FlushOutput();
  GameConfig config;
  const WinnerStep bought = RecordWinner(GameSession.Player.Name, CallerKey(),
                                         RerollDayAfterWin(Host.Now()), QualifiesForTheBar, config);
  if (bought == WinnerStep::kAlreadyWon) TellTheBarIsSold(config);
  if (bought == WinnerStep::kNotQualified) {
    // Robbed at the counter: he is still in the restaurant, and may try again
    // once he has the money.
    GameSession.Location = kSheinens;
    TellPriceNotCovered();
    return;
  }
  GameSession.WinnerName = config.WinnerName;
  WriteLine("|CRFlaming Sheinen runs up to and says, \"You are the man! Do you want to buy the");
  WriteLine("bar?\" You quickly say, \"YES! I have all the money right here.\" You and Flaming");
  WriteLine("Sheinen sign a bunch of papers and you are now the owner of Flaming Sheinen's.");
  WriteLine("|CR|13Congrats! You have won the game!");
  PauseKey();
  EndSession();
}
