// Attacks on a rival: pick-pocketing him, luring away a whore, burning his
// whore house. The rival's record is changed as it stands on disk at that
// moment, in one step with the caller's and the news, before a word of the
// outcome is sent; he learns what happened only from the news.
#include "town/raid.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/text.h"
#include "store/caller.h"
#include "store/files.h"
#include "store/records.h"
#include "store/rules.h"
#include "store/state.h"
#include "store/store.h"
#include "town/roster.h"
#include "town/street.h"

namespace {

// What an attack comes to, gathered while the rival's record is held and
// told once the step is on disk.
struct RaidOutcome {
  std::vector<std::string> lines;  // for the caller, in order
  PlayerKey news_to;               // the rival's key; an empty name when he hears nothing
  std::string news;
};

// Hands the outcome's news to the step that writes the records.
bool WithNews(const RaidOutcome& outcome, bool changed, std::vector<StepNews>& news) {
  if (!outcome.news_to.Name.empty()) news.push_back(StepNews{outcome.news_to, outcome.news});
  return changed;
}

void Tell(const RaidOutcome& outcome) {
  for (const std::string& line : outcome.lines) WriteLine(line);
}

bool CanStealMoney(const PlayerRecord& victim) { return victim.Cash > 0; }

bool CanStealWhores(const PlayerRecord& victim) {
  const PlayerRecord& me = GameSession.Player;
  return victim.WhoreCount > 0 && me.WhoreCount < kMaxWhores && me.HouseStreet > 0;
}

// What a successful pick-pocket finds: a sixth of his cash when the caller is
// at least as rich as he is, and always fifty dollars more.
int32_t PickedAmount(int32_t caller_cash, int32_t victim_cash) {
  const int32_t share = victim_cash / 6;
  const int32_t ratio = std::clamp<int32_t>(caller_cash / victim_cash, 0, 1);
  return share * ratio + 50;
}

void PickPocketSucceeds(RaidOutcome& outcome, PlayerRecord& victim) {
  PlayerRecord& me = GameSession.Player;
  // The wallet holds no more than his cash: the fifty dollars come out of it
  // too, or a theft from a poor pimp would make money from nowhere.
  const int32_t amount = std::min(PickedAmount(me.Cash, victim.Cash), victim.Cash);
  outcome.lines.push_back("You get your hand in his pocket and gently tug out his wallet. You open");
  outcome.lines.push_back("the wallet and find $" + IntToText(amount) + ".");
  me.Cash = AddCash(me.Cash, amount);
  victim.Cash -= amount;
  outcome.news_to = KeyOf(victim);
  outcome.news = "Someone stole $" + IntToText(amount) + " from you.";
}

void CaughtWithKnife(RaidOutcome& outcome, PlayerRecord& victim) {
  PlayerRecord& me = GameSession.Player;
  outcome.lines.push_back(
      "As you hand goes into his pocket, he turns around and spots you trying to");
  outcome.lines.push_back(
      "pick-pocket him. He pulls out a knife and tells you to give him all your");
  outcome.lines.push_back("money. You do so, and then quickly run off.");
  victim.Cash = AddCash(victim.Cash, me.Cash);
  me.Cash = 0;
  outcome.news_to = KeyOf(victim);
  outcome.news = me.Name + " tried to steal some money from you.";
}

// Returns whether his record changed.
bool StealMoney(RaidOutcome& outcome, PlayerRecord& victim) {
  outcome.lines = {"Money", ""};
  const int32_t r = Random(10);
  outcome.lines.push_back("You bump into him on the streets, and you reach in his back pocket.");
  if (r <= 1) {
    PickPocketSucceeds(outcome, victim);
    return true;
  }
  if (r <= 4) {
    outcome.lines.push_back(
        "You get you hand in his pocket and gently tug out his wallet. You open");
    outcome.lines.push_back("the wallet and find absolutley nothing.");
  } else if (r <= 8) {
    outcome.lines.push_back(
        "As you reach, he quickly turns around, and you have to quickly run off.");
  } else {
    CaughtWithKnife(outcome, victim);
    return true;
  }
  return false;
}

// His first whore moves, all five of her values together, to the caller's
// next free slot.
void TakeFirstWhore(PlayerRecord& victim) {
  PlayerRecord& me = GameSession.Player;
  const int slot = me.WhoreCount;
  me.WhoreNameIndex[slot] = victim.WhoreNameIndex[0];
  me.WhoreRate[slot] = victim.WhoreRate[0];
  me.WhoreHours[slot] = victim.WhoreHours[0];
  me.WhoreCondoms[slot] = victim.WhoreCondoms[0];
  me.WhoreDays[slot] = victim.WhoreDays[0];
  me.WhoreCount = static_cast<uint8_t>(slot + 1);
  RemoveWhoreSlot(victim, 1);
}

// Returns whether his record changed.
bool StealWhore(RaidOutcome& outcome, PlayerRecord& victim) {
  outcome.lines = {"Whores", "",
                   "You walk you to one of his whores and offer her a job. You say that she will",
                   "earn more from you than from her old pimp. She thinks it over and says,"};
  const int32_t r = Random(10);
  if (r > 3) {
    outcome.lines.push_back("\"No way! You are a low life scum!\"");
    return false;
  }
  outcome.lines.push_back("\"Sounds like a good deal to me. I'll be at your corner tonight.");
  const std::string her_name = WhoreNameOf(victim.WhoreNameIndex[0]);
  TakeFirstWhore(victim);
  outcome.news_to = KeyOf(victim);
  outcome.news = her_name + " left you to work for " + GameSession.Player.Name + ".";
  return true;
}

// What was offered is gone: his cash or his whores went while the caller
// made up his mind.
void SayItIsGone(uint8_t key, const PlayerRecord& victim) {
  if (victim.Cash <= 0 && victim.WhoreCount == 0) {
    WriteLine("He has no money, and no whores.");
  } else {
    WriteLine(key == 'M' ? "He has no money." : "He has no whores.");
  }
}

// Only called when his pockets are empty (a damaged negative sum counts as
// empty) and his whores are out of the caller's reach.
void SayNothingToSteal(const PlayerRecord& victim) {
  if (victim.WhoreCount == 0) {
    WriteLine("He has no money, and no whores.");
    return;
  }
  WriteLine("He has no money.");
  if (GameSession.Player.HouseStreet == 0) {
    WriteLine("He has no money, and since you don't have a whore house, you can't steal");
    WriteLine("his whores.");
  }
}

// Offers what can be taken; returns the key, M, W or Q.
uint8_t AskWhatToSteal(bool money, bool whores) {
  std::string prompt = "|CR|12Steal ";
  std::string allowed = "Q";
  if (money) {
    prompt += "[M]oney, ";
    allowed += "M";
  }
  if (whores) {
    prompt += "[W]hores, ";
    allowed += "W";
  }
  WriteText(prompt + "or [Q]uit : ");
  const uint8_t key = GetKeyFrom(allowed, false);
  SetColor(14, 0);
  return key;
}

// Half the bomber's own street is what he can knock off the victim's, but a
// fire never drives the victim below three quarters of his street.
uint8_t StreetAfterFire(int house, int bomber_house) {
  const int street = std::max((house / 4) * 3, house - bomber_house / 2);
  return static_cast<uint8_t>(std::clamp(street, 1, kLastStreet));
}

void HouseBurns(RaidOutcome& outcome, PlayerRecord& victim) {
  outcome.lines.push_back(
      "you find that the whore house went up in flames. Business will definitely be");
  outcome.lines.push_back("poor for him during the next few days.");
  victim.HouseStreet = StreetAfterFire(victim.HouseStreet, GameSession.Player.HouseStreet);
  outcome.news_to = KeyOf(victim);
  outcome.news = "Your whore house was fire bombed. You were forced to relocate to " +
                 Ordinal(victim.HouseStreet) + " & Main" + ".";
}

void FireFizzles(RaidOutcome& outcome, bool ruins_clothes) {
  outcome.lines.push_back("you find that the fire never ignited correctly. No damage was done.");
  PlayerRecord& me = GameSession.Player;
  if (!ruins_clothes || me.ClothesLevel <= 1) return;
  outcome.lines.push_back("But, in the process, you accidently recked your " +
                          ClothesNameOf(me.ClothesLevel) + ".");
  me.ClothesLevel = static_cast<uint8_t>(me.ClothesLevel - 1);
}

// Returns whether his record changed.
bool ThrowFirebomb(RaidOutcome& outcome, PlayerRecord& victim) {
  const int32_t r = Random(10);
  TakeTime(time_cost::kFirebomb);
  outcome.lines = {
      "|CRYou collect all the matches, papers, towels, and wood splints you can find.",
      "You drive down to his " + Ordinal(victim.HouseStreet) + " & Main" +
          " whore house and throw all these things on.",
      "Then the fire is lit. You run off quickly and you come back 1 hour later and"};
  if (r <= 2) {
    HouseBurns(outcome, victim);
    return true;
  }
  FireFizzles(outcome, r == 9);
  return false;
}

}  // namespace

void StealFromPimp() {
  if (CountPlayers() < 2) {
    WriteLine("|CRThere are no rival pimps to steal from.");
    return;
  }
  WriteLine("|CRSelect pimp to steal from :");
  const int32_t number = SelectRival();
  if (number == -1) return;
  PlayerRecord victim;
  ReadPlayer(number, victim);

  const bool money = CanStealMoney(victim);
  const bool whores = CanStealWhores(victim);
  if (!money && !whores) {
    SayNothingToSteal(victim);
    return;
  }
  const uint8_t key = AskWhatToSteal(money, whores);
  if (key == 'Q') {
    WriteLine("Quit");
    return;
  }
  // His record is read again now: the copy offered from is as old as the
  // caller's pause at the prompt.
  RaidOutcome outcome;
  bool possible = true;
  ChangeRivalInOneStep(number, [&](PlayerRecord& fresh, std::vector<StepNews>& news) {
    possible = key == 'M' ? CanStealMoney(fresh) : CanStealWhores(fresh);
    if (!possible) {
      victim = fresh;
      return false;
    }
    TakeTime(time_cost::kStealFromPimp);
    const bool changed = key == 'M' ? StealMoney(outcome, fresh) : StealWhore(outcome, fresh);
    return WithNews(outcome, changed, news);
  });
  if (!possible) {
    SayItIsGone(key, victim);
    return;
  }
  Tell(outcome);
}

void FirebombHouse() {
  if (CountPlayers() < 2) {
    WriteLine("|CRThere are no rival pimps to firebomb.");
    return;
  }
  WriteLine("|CRSelect pimp to firebomb :");
  const int32_t number = SelectRival();
  if (number == -1) return;
  RaidOutcome outcome;
  bool has_house = true;
  ChangeRivalInOneStep(number, [&](PlayerRecord& victim, std::vector<StepNews>& news) {
    has_house = victim.HouseStreet != 0;
    return has_house && WithNews(outcome, ThrowFirebomb(outcome, victim), news);
  });
  if (!has_house) {
    WriteLine("|CRHe doesn't have a whore house to firebomb.");
    return;
  }
  Tell(outcome);
}
