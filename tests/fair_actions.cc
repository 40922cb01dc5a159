// The fairness mix: a scripted caller's actions that move money and whores
// between players, each noting what its screen said moved, so that the
// files can be held to account afterwards.
#include <algorithm>
#include <functional>
#include <iterator>
#include <regex>
#include <signal.h>
#include <unistd.h>

#include "tests/script_steps.h"

namespace {

// What a caller robbed below a price he agreed to is told.
const std::string kNotCovered = "You no longer have that much money";

void Moved(Visit& v, int from, int to, int64_t cash, int whores, bool all_cash = false) {
  v.result.moved.push_back({from, to, cash, whores, all_cash});
}

// The number the screen writes before `end`.
int64_t NumberUpTo(Visit& v, const std::string& end) {
  Await(v, {end});
  return LeadingNumber(v.segment);
}

// A caller thinking a price over: thieves on other nodes have up to 0.9 s
// to take what would have paid for it.
void Hesitate(Visit& v) {
  if (v.plan.hesitate) usleep(static_cast<useconds_t>(1000 * Pick(v, 900)));
}

void StealMoney(Visit& v, int victim) {
  Send(v, "m", Key::kAnswer);
  switch (Await(v, {"the wallet and find $", "and then quickly run off.", kStreet})) {
    case 0:
      Moved(v, victim, v.plan.caller, NumberUpTo(v, "."), 0);
      break;
    case 1:
      Moved(v, v.plan.caller, victim, 0, 0, true);
      break;
    default:
      Unread(v, kStreet);  // a plain miss, or nothing left to take
  }
}

void StealWhore(Visit& v, int victim) {
  Send(v, "w", Key::kAnswer);
  if (Await(v, {"Sounds like a good deal to me.", kStreet}) == 0) {
    Moved(v, victim, v.plan.caller, 0, 1);
  } else {
    Unread(v, kStreet);
  }
}

void Steal(Visit& v) {
  Command(v, 't', "Steal from Another Pimp");
  if (Await(v, {"Select pimp to steal from :", "There are no rival pimps to steal from."}) == 1) {
    return;
  }
  const std::string victim = SelectRival(v);
  if (victim.empty()) return;
  if (Await(v, {"or [Q]uit : ", kStreet}) == 1) {
    Unread(v, kStreet);
    return;
  }
  const bool money = v.segment.find("[M]oney") != std::string::npos;
  const bool whores = v.segment.find("[W]hores") != std::string::npos;
  if (money && (!whores || Pick(v, 2) == 0)) {
    StealMoney(v, CallerOfPimp(victim));
  } else if (whores) {
    StealWhore(v, CallerOfPimp(victim));
  } else {
    Send(v, "q");
  }
}

void Firebomb(Visit& v) {
  Command(v, 'f', "Firebomb Whore House");
  if (Await(v, {"Select pimp to firebomb :", "There are no rival pimps to firebomb."}) == 1) return;
  SelectRival(v);
}

// Picks one of the whores listed above the WHORE ROSTER prompt.
int PickWhore(Visit& v) {
  static const std::regex kSlot("\r\n[ \\d]\\d\\] ");
  const auto listed = std::distance(
      std::sregex_iterator(v.segment.begin(), v.segment.end(), kSlot), std::sregex_iterator());
  return listed == 0 ? 0 : 1 + Pick(v, static_cast<int>(listed));
}

// The fee is paid once the agent is sent off with a whore; whether he
// succeeds reaches the players only as news.
void HireAgent(Visit& v) {
  AtSheinens(v, [&] {
    Command(v, 'h', "Hire Agent");
    if (Await(v, {"Give me $", "so little cash", "no rival pimps"}) != 0) return;
    const int64_t fee = NumberUpTo(v, ".");
    Await(v, {"Do you give him the money? [Y/N] "});
    Send(v, "y");
    Await(v, {"Select pimp to sabotage :"});
    size_t answer = 1;
    for (int tries = 0; tries < 3 && answer == 1; ++tries) {
      if (SelectRival(v).empty()) return;
      answer = Await(v, {"[WHORE ROSTER]: ", "currently owns no whores", kSheinens});
    }
    if (answer == 1) {  // three rivals without whores: give up
      Await(v, {"Show Roster [Y/N] "});
      Send(v, "n");
      Await(v, {"[PIMP ROSTER]: "});
      Send(v, "\r");
      return;
    }
    if (answer == 0) {
      const int whore = PickWhore(v);
      Hesitate(v);
      Send(v, std::to_string(whore) + "\r", Key::kAnswer);
      answer = Await(v, {"out if he was succesful.", kSheinens}) == 0 ? 0 : 2;
      if (answer == 0) Moved(v, v.plan.caller, 0, fee, 0);
    }
    if (answer == 2) Unread(v, kSheinens);
  });
}

void PoliceTip(Visit& v) {
  AtSheinens(v, [&] {
    Command(v, 'p', "Police Tip");
    const std::string rival = SelectRival(v);
    if (rival.empty()) return;
    switch (Await(v, {"fined $", "hoax", kSheinens})) {
      case 0:
        Moved(v, CallerOfPimp(rival), 0, NumberUpTo(v, "."), 0);
        break;
      case 2:
        Unread(v, kSheinens);
        break;
      default:
        break;
    }
  });
}

// A notice of a theft redraws the prompt it interrupted; only a prompt after
// the stake's echo asks again.
void AwaitEcho(Visit& v, int64_t stake) { Await(v, {std::to_string(stake) + "\r\n"}); }

// The stake is gone once the reels turn; a win pays it back with the winnings.
void PullSlot(Visit& v) {
  Command(v, 's', "Slot Machine");
  if (Await(v, {" MAX]: ", "not have enough money to play"}) != 0) return;
  const size_t dollar = v.segment.rfind('$');
  const int64_t limit = dollar == std::string::npos ? 0 : LeadingNumber(v.segment.substr(dollar + 1));
  // One who thinks it over stakes all he may: a theft meanwhile leaves less.
  const int64_t stake = v.plan.hesitate ? std::max<int64_t>(limit, 1)
                                        : 1 + Pick(v, static_cast<int>(std::min<int64_t>(limit, 500)));
  Hesitate(v);
  Send(v, std::to_string(stake) + "\r", Key::kAnswer);
  Moved(v, v.plan.caller, 0, stake, 0);
  AwaitEcho(v, stake);
  switch (Await(v, {"You win $", "You lose $", " MAX]: "})) {
    case 0:
      Moved(v, 0, v.plan.caller, stake + NumberUpTo(v, "."), 0);
      break;
    case 2:  // robbed while he chose: the stake is now too much and is asked again
      v.result.moved.pop_back();
      Send(v, "0\r");
      break;
    default:
      break;
  }
}

// Craps waits for keys in the middle of a game. A hang-up with a seven riding
// stops and wins the ride; one while throwing for the point throws on to an
// end no screen shows, so no planned hang-up falls there (nor on the stake,
// whose come-out may lead there).
void PlayCraps(Visit& v) {
  Command(v, 'c', "Craps");
  Await(v, {"[WAGER]: "});
  const size_t dollar = v.segment.rfind("[$");
  const int64_t cash = dollar == std::string::npos ? 0 : LeadingNumber(v.segment.substr(dollar + 2));
  const int64_t stake = v.plan.hesitate
                            ? std::max<int64_t>(cash, 1)
                            : 1 + Pick(v, static_cast<int>(std::clamp<int64_t>(cash / 10, 1, 500)));
  Hesitate(v);
  Send(v, std::to_string(stake) + "\r", Key::kNoHangUp);
  AwaitEcho(v, stake);
  if (Await(v, {"[Your Mark/Point]", "[WAGER]: "}) == 1) {  // robbed while he chose
    Send(v, "0\r");
    return;
  }
  Moved(v, v.plan.caller, 0, stake, 0);
  for (;;) {
    switch (Await(v, {"[L] Let It Ride  [S] Stop", "Press any key to continue.", "You win $", "You lose $"})) {
      case 0: {
        const size_t ride = v.segment.rfind("[$");
        const int64_t riding = ride == std::string::npos ? 0 : LeadingNumber(v.segment.substr(ride + 2));
        const bool let_ride = Pick(v, 2) == 0;
        if (!let_ride && v.sends + 1 == v.plan.stop_at_wait) Moved(v, 0, v.plan.caller, stake + riding, 0);
        Send(v, let_ride ? "l" : "s", let_ride ? Key::kNoHangUp : Key::kAnswer);
        break;
      }
      case 1:
        Send(v, " ", Key::kNoHangUp);
        break;
      case 2:
        Moved(v, 0, v.plan.caller, stake + NumberUpTo(v, "."), 0);
        return;
      default:
        return;
    }
  }
}

void Gamble(Visit& v) {
  Command(v, 'c', "Kordavin Casino");
  if (Await(v, {kCasino, "Come to the casino tomorrow"}) == 1) return;
  for (int games = 1 + Pick(v, 3); games > 0; --games) {
    if (Pick(v, 2) == 0) {
      PullSlot(v);
    } else {
      PlayCraps(v);
    }
    if (Await(v, {kCasino, kStreet}) == 1) {
      Unread(v, kStreet);  // out of cash: already back on the street
      return;
    }
  }
  Command(v, 'r', "Return to Streets");
}

// Buys a house on a cheap street; the old one is sold at its own price.
void MoveHouse(Visit& v) {
  Command(v, 'm', "Move to Another Street");
  Await(v, {"Move to Which Street [1-99] : "});
  Send(v, std::to_string(1 + Pick(v, 12)) + "\r");
  Await(v, {kStreet});
  Command(v, 's', "Set Up Whore House");
  Await(v, {"would cost $"});
  const int64_t price = NumberUpTo(v, ".");
  if (Await(v, {"? [Y/N] ", "You do not have enough money."}) == 1) return;
  Hesitate(v);
  Send(v, "y", Key::kAnswer);
  switch (Await(v, {"You got it!", "previous whore house for $", kNotCovered})) {
    case 1:
      Moved(v, 0, v.plan.caller, NumberUpTo(v, " "), 0);
      break;
    case 2:
      return;  // robbed while he thought it over: nothing moved
    default:
      break;
  }
  Moved(v, v.plan.caller, 0, price, 0);
}

// Clothes at the price asked, or nothing.
void BuyClothesSlowly(Visit& v) {
  Command(v, 'b', "Buy New Clothes");
  if (Await(v, {"It costs $", "nothing to offer"}) != 0) return;
  const int64_t price = NumberUpTo(v, ".");
  if (Await(v, {"Do you want to buy it? [Y/N] ", "that much money"}) != 0) return;
  Hesitate(v);
  Send(v, "y", Key::kAnswer);
  if (Await(v, {"You got it!", kNotCovered}) == 0) {
    Moved(v, v.plan.caller, 0, price, 0);
    ++v.result.clothes_bought;
  }
}

// Condoms typed, then Enter after a pause.
void BuyCondomsSlowly(Visit& v) {
  Command(v, 'p', "Purchase Condoms");
  if (Await(v, {"Max] : ", "no condoms for sale."}) != 0) return;
  const size_t open = v.segment.rfind('[');
  const int64_t most = open == std::string::npos ? 0 : LeadingNumber(v.segment.substr(open + 1));
  const int64_t quantity = std::max<int64_t>(most, 1);
  Send(v, std::to_string(quantity));
  Hesitate(v);
  Send(v, "\r", Key::kAnswer);
  if (Await(v, {kNotCovered, "[STIFF PETE'S]: "}) == 0) return;
  Unread(v, "[STIFF PETE'S]: ");
  Moved(v, v.plan.caller, 0, 10 * quantity, 0);
  v.result.condoms_bought += quantity;
}

void ShopSlowly(Visit& v) {
  Command(v, 'v', "Visit Stiff Pete");
  Await(v, {"[STIFF PETE'S]: "});
  if (Pick(v, 2) == 0) {
    BuyClothesSlowly(v);
  } else {
    BuyCondomsSlowly(v);
  }
  Await(v, {"[STIFF PETE'S]: "});
  Command(v, 'r', "Return to Streets");
}

}  // namespace

// A theft whose answer never reaches the screen: once everything before it
// has been read, the line is stopped, the caller says Money or Whores, and he
// hangs up while the door waits to send the outcome.
void StalledTheft(Visit& v, int victim) {
  Command(v, 't', "Steal from Another Pimp");
  Await(v, {"Show Roster [Y/N] "});
  Send(v, "n");
  Await(v, {"[PIMP ROSTER]: "});
  Send(v, std::to_string(victim) + "\r");
  if (Await(v, {"or [Q]uit : ", kStreet}) == 1) {
    Unread(v, kStreet);  // nothing to take from him: the visit goes on
    return;
  }
  const bool money = v.segment.find("[M]oney") != std::string::npos;
  if (!WaitForKeyWait(v.run.pid, 5000)) throw ScriptStop{"no key wait before the stalled answer"};
  StopTheLine(v.run);
  SendKeys(v.run, money ? "m" : "w");
  v.result.victim_in_flight = victim;
  v.result.stalled = WaitForStalledWrite(v.run.pid, 3000);
  kill(v.run.pid, SIGHUP);
  v.hung_up = true;
  throw ScriptStop{"stopped"};
}

void RunFairAction(Visit& v) {
  static const std::function<void(Visit&)> kActions[] = {
      Steal, Steal, Steal, HireAgent, Firebomb, PoliceTip, Gamble, Gamble, TalkToWomen, MoveHouse};
  kActions[Pick(v, static_cast<int>(std::size(kActions)))](v);
}

void RunOnLineAction(Visit& v) {
  static const std::function<void(Visit&)> kActions[] = {Gamble, Gamble, Gamble, TalkToWomen};
  kActions[Pick(v, static_cast<int>(std::size(kActions)))](v);
}

void RunPricedAction(Visit& v) {
  static const std::function<void(Visit&)> kActions[] = {ShopSlowly, ShopSlowly, MoveHouse,
                                                         HireAgent, Gamble};
  kActions[Pick(v, static_cast<int>(std::size(kActions)))](v);
}
