#include "town/street.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/text.h"
#include "game/not_covered.h"
#include "store/files.h"
#include "store/rival_change.h"
#include "store/rules.h"
#include "store/spend.h"
#include "store/state.h"
#include "town/roster.h"

namespace {

// Whores in use, never more than the record has slots for.
int WhoresInUse(const PlayerRecord& player) {
  return std::min<int>(player.WhoreCount, kMaxWhores);
}

const std::string& SlotName(const PlayerRecord& player, int slot) {
  return WhoreNameOf(player.WhoreNameIndex[static_cast<size_t>(slot - 1)]);
}

// Asks the prompt until the answer lies in 0..most.
int32_t AskInRange(const std::string& prompt, int32_t most) {
  for (;;) {
    WriteText(prompt);
    const int32_t answer = InputNumber(2);
    if (answer >= 0 && answer <= most) return answer;
  }
}

int32_t AskWhore(int count) {
  WriteRawLine("");
  return AskInRange("|06[|02WHORE ROSTER|06]|14: |11", count);
}

void ReportNothingToGive(bool has_whores) {
  TakeTime(time_cost::kLook);
  if (!has_whores && GameSession.Player.CondomStock > 0) {
    WriteLine("|CRYou currently have no whores.");
  } else if (has_whores) {
    WriteLine("|CRYou currently have no condoms.");
  } else {
    WriteLine("|CRYou currently have no whores or condoms.");
  }
}

void GiveCondomsTo(int slot, int32_t stock) {
  PlayerRecord& player = GameSession.Player;
  uint8_t& condoms = player.WhoreCondoms[static_cast<size_t>(slot - 1)];
  if (condoms >= kMostWhoreCondoms) {
    TakeTime(time_cost::kLook);
    WriteLine("|CRShe already has enough condoms.");
    return;
  }
  WriteRawLine("");
  const int32_t most = std::min<int32_t>(kMostWhoreCondoms - condoms, stock);
  const int32_t given =
      AskInRange("|12How many condoms [1-" + std::to_string(most) + "] : |14", most);
  if (given == 0) return;
  condoms = static_cast<uint8_t>(condoms + given);
  player.CondomStock = static_cast<int16_t>(player.CondomStock - given);
  TakeTime(time_cost::kGiveCondoms);
}

void ReportHouseBought(int32_t sale) {
  const std::string corner = Ordinal(GameSession.CurrentStreet) + " & Main.";
  if (sale != 0) {
    WriteLine("|CRYou sell your previous whore house for $" + std::to_string(sale) +
              " and you now have a ");
    WriteLine("whore house at " + corner);
  } else {
    WriteLine("|CRYou got it! You now have a whore house at " + corner);
  }
}

}  // namespace

void MoveStreet() {
  WriteRawLine("");
  const std::string prompt =
      "|12Move to Which Street [1-" + std::to_string(kLastStreet) + "] : |14";
  const int32_t street = AskInRange(prompt, kLastStreet);
  if (street == 0) return;
  GameSession.CurrentStreet = static_cast<uint8_t>(street);
  TakeTime(time_cost::kMoveStreet);
}

void PoliceTip() {
  const int32_t rival_number = SelectRival();
  if (rival_number == -1) return;
  std::vector<std::string> told;
  // The tip is paid for in the step that fines him, so a hang-up can never
  // leave him fined and the caller's time unspent.
  ChangeRival(rival_number, [&told](PlayerRecord& rival) {
    TakeTime(time_cost::kPoliceTip);
    told.push_back("|13|CRYou tip the police on " + NameOnScreen(rival.Name) + ".");
    if (Random(3) != 0) {
      told.push_back("|13But the police thought it was a hoax and nothing happens.");
      return false;
    }
    const int64_t percent = 7 + Random(5);
    // Cash near the top of its range times 11 would not fit in 32 bits.
    const int64_t fine = percent * std::max<int32_t>(rival.Cash, 0) / 100;
    told.push_back("|13They follow the tip and he gets fined $" + std::to_string(fine) + ".");
    rival.Cash = AddCash(rival.Cash, -fine);
    return true;
  });
  for (const std::string& line : told) WriteLine(line);
}

void GiveCondoms() {
  const PlayerRecord& player = GameSession.Player;
  // A damaged negative stock counts as none, or no amount could be offered.
  const int32_t stock = player.CondomStock;
  const int count = WhoresInUse(player);
  if (count == 0 || stock <= 0) {
    ReportNothingToGive(count > 0);
    return;
  }
  WriteLine("|CR|03Select Whore");
  WriteLine("|03" + Rule(12));
  for (int slot = 1; slot <= count; ++slot) {
    WriteLine("|12" + RightAligned(slot, 2) + "] |14" + SlotName(player, slot));
  }
  const int32_t chosen = AskWhore(count);
  if (chosen == 0) return;
  GiveCondomsTo(chosen, stock);
}

void SetUpWhoreHouse() {
  PlayerRecord& player = GameSession.Player;
  const int32_t price = HousePrice(GameSession.CurrentStreet);
  WriteLine("|CRA whore house at " + Ordinal(GameSession.CurrentStreet) + " & Main would cost $" +
            std::to_string(price) + ".");
  const int32_t sale = HousePrice(player.HouseStreet);
  if (int64_t{player.Cash} + sale <= price) {
    TakeTime(time_cost::kLook);
    WriteLine("You do not have enough money. Go get some more.");
    return;
  }
  WriteText("Are you sure you want to set up a whore house here? [Y/N] ");
  if (!AskYesNo()) return;
  // The old house is sold as it stands now: a fire meanwhile moved it to a
  // cheaper street.
  int32_t sold_for = 0;
  const auto price_now = [&sold_for, price](const PlayerRecord& me) {
    sold_for = HousePrice(me.HouseStreet);
    const int64_t net = int64_t{price} - sold_for;
    return Price{.Cash = static_cast<int32_t>(net), .CashHeld = net + 1};
  };
  const bool paid = SpendInOneStep(price_now, [] {
    GameSession.Player.HouseStreet = GameSession.CurrentStreet;
    TakeTime(time_cost::kSetUpWhoreHouse);
  });
  if (!paid) {
    TellPriceNotCovered();
    return;
  }
  ReportHouseBought(sold_for);
}

void DisbandWhore() {
  PlayerRecord& player = GameSession.Player;
  const int count = WhoresInUse(player);
  if (count == 0) {
    WriteLine("|CRYou currently have no whores.");
    return;
  }
  WriteText("|CRSelect whore to remove from your group : |CR");
  WriteLine("|03Whore Roster");
  WriteLine("|03" + Rule(12));
  for (int slot = 1; slot <= count; ++slot) {
    WriteLine("|12" + TwoDigits(static_cast<uint16_t>(slot)) + "] |14" + SlotName(player, slot));
  }
  const int32_t chosen = AskWhore(count);
  if (chosen == 0) return;
  WriteLine("|CR" + SlotName(player, chosen) + " is gone!");
  RemoveWhoreSlot(player, chosen);
  TakeTime(time_cost::kDisbandWhore);
  GameSession.HiresThisSession = static_cast<int16_t>(GameSession.HiresThisSession - 1);
}

void RemoveWhoreSlot(PlayerRecord& rival, int k) {
  const int count = WhoresInUse(rival);
  if (k < 1 || k > count) return;
  for (size_t slot = static_cast<size_t>(k); slot < static_cast<size_t>(count); ++slot) {
    rival.WhoreNameIndex[slot - 1] = rival.WhoreNameIndex[slot];
    rival.WhoreRate[slot - 1] = rival.WhoreRate[slot];
    rival.WhoreHours[slot - 1] = rival.WhoreHours[slot];
    rival.WhoreCondoms[slot - 1] = rival.WhoreCondoms[slot];
    rival.WhoreDays[slot - 1] = rival.WhoreDays[slot];
  }
  const size_t last = static_cast<size_t>(count - 1);
  rival.WhoreNameIndex[last] = 0;
  rival.WhoreRate[last] = 0;
  rival.WhoreHours[last] = 0;
  rival.WhoreCondoms[last] = 0;
  rival.WhoreDays[last] = 0;
  rival.WhoreCount = static_cast<uint8_t>(count - 1);
}
