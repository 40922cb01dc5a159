#include "game/menus.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <string_view>

#include "door/input.h"
#include "door/output.h"
#include "door/session.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/files.h"
#include "game/command_codes.h"
#include "store/rules.h"
#include "store/state.h"
#include "store/players.h"
#include "store/session_end.h"

namespace {

// One key of a place's menu: the code it returns and, for the walks and the
// casino door, where it takes the caller and what the step costs.
struct MenuEntry {
  char key;
  std::string_view name;
  int16_t code;
  int new_location;  // -1 = stays
  int cost;
};

constexpr MenuEntry kStreetMenu[] = {
    {'C', "Kordavin Casino", kCodeEnterCasino, -1, time_cost::kWalk},
    {'D', "Disband Whore", kCodeDisbandWhore, -1, 0},
    {'E', "Examine Another Pimp", kCodeExamineRival, -1, 0},
    {'F', "Firebomb Whore House", kCodeFirebombHouse, -1, 0},
    {'G', "Go to Flaming Sheinen's", kCodeGoToSheinens, kSheinens, time_cost::kWalk},
    {'M', "Move to Another Street", kCodeMoveStreet, -1, 0},
    {'P', "Player Rankings", kCodePlayerRankings, -1, 0},
    {'S', "Set Up Whore House", kCodeSetUpWhoreHouse, -1, 0},
    {'T', "Steal from Another Pimp", kCodeStealFromPimp, -1, 0},
    {'V', "Visit Stiff Pete", kCodeVisitPete, kPetes, time_cost::kWalk},
    {'W', "Whore Statistics", kCodeWhoreStatistics, -1, 0},
    {'Y', "Your Statistics", kCodeYourStatistics, -1, 0},
    {'$', "Prices of Whore Houses", kCodeHousePrices, -1, 0},
};

constexpr MenuEntry kSheinensMenu[] = {
    {'C', "Kordavin Casino", kCodeEnterCasino, -1, time_cost::kWalk},
    {'E', "Eat a Flame Burger", kCodeEatFlameBurger, -1, 0},
    {'G', "Give Condoms to Whores", kCodeGiveCondoms, -1, 0},
    {'H', "Hire Agent", kCodeHireAgent, -1, 0},
    {'P', "Police Tip", kCodePoliceTip, -1, 0},
    {'R', "Return to Streets", kCodeReturnToStreets, kStreetCorner, time_cost::kWalk},
    {'S', "Speak to Flaming Sheinen", kCodeSpeakToSheinen, -1, 0},
    {'T', "Talk to Women Here", kCodeTalkToWomen, -1, 0},
    {'V', "Visit Stiff Pete", kCodeVisitPete, kPetes, time_cost::kWalk},
};

constexpr MenuEntry kPetesMenu[] = {
    {'B', "Buy New Clothes", kCodeBuyClothes, -1, 0},
    {'C', "Kordavin Casino", kCodeEnterCasino, -1, time_cost::kWalk},
    {'E', "Examine Your Wardrobe", kCodeExamineWardrobe, -1, 0},
    {'G', "Go to Flaming Sheinen's", kCodeGoToSheinens, kSheinens, time_cost::kWalk},
    {'P', "Purchase Condoms", kCodeBuyCondoms, -1, 0},
    {'R', "Return to Streets", kCodeReturnToStreets, kStreetCorner, time_cost::kWalk},
    {'S', "Speak to Stiff Pete", kCodeSpeakToPete, -1, 0},
    {'$', "Prices of New Clothes", kCodeClothesPrices, -1, 0},
};

// Offered at every place.
constexpr MenuEntry kCommonMenu[] = {
    {'A', "Ansi Toggle", kCodeAnsiToggle, -1, 0},
    {'I', "Information", kCodeInformation, -1, 0},
    {'O', "Online Documentation", kCodeOnlineDocumentation, -1, 0},
    {'Q', "Quit", kCodeQuit, -1, 0},
    {'?', "Help", kCodeHelp, -1, 0},
};

constexpr MenuEntry kWhoIsOn = {'W', "Who's On The Streets", kCodeWhoIsOn, -1, 0};
constexpr MenuEntry kPagePimp = {'P', "Page Another Pimp", kCodePagePimp, -1, 0};
constexpr MenuEntry kLeague = {'L', "InterBBS League", kCodeLeague, -1, 0};

template <size_t N>
const MenuEntry* FindIn(const MenuEntry (&entries)[N], uint8_t key) {
  for (const MenuEntry& entry : entries) {
    if (static_cast<uint8_t>(entry.key) == key) return &entry;
  }
  return nullptr;
}

const MenuEntry* FindEntry(uint8_t location, uint8_t key) {
  const MenuEntry* entry = nullptr;
  if (location == kStreetCorner) entry = FindIn(kStreetMenu, key);
  if (location == kSheinens) entry = FindIn(kSheinensMenu, key);
  if (location == kPetes) entry = FindIn(kPetesMenu, key);
  return entry != nullptr ? entry : FindIn(kCommonMenu, key);
}

void WritePrompt() {
  WriteText("|CR|04[|09" + ClockText(GameSession.TimeLeft, kDayUnits) + "|04]");
  switch (GameSession.Location) {
    case kStreetCorner:
      WriteText("|06[|02" + UpperText(Ordinal(GameSession.CurrentStreet)) + " & MAIN|06]|14: |11");
      break;
    case kSheinens:
      WriteText("[|02FLAMING SHEINEN'S|06]|14: ");
      break;
    case kPetes:
      WriteText("[|02STIFF PETE'S|06]|14: ");
      break;
    default:
      break;
  }
}

// The slash commands are kept off the help screen; backspace backs out.
const MenuEntry* ReadSlashCommand() {
  WriteRaw("/");
  const uint8_t key = GetKeyFrom("\bPWL", false);
  EraseBack(1);
  if (key == 'W') return &kWhoIsOn;
  if (key == 'L') return &kLeague;
  if (key == 'P') return &kPagePimp;
  return nullptr;
}

const MenuEntry& ReadMenuKey() {
  for (;;) {
    const uint8_t key = UpperChar(ReadKey());
    const MenuEntry* entry = nullptr;
    if (key == '/' && GameSession.Location == kStreetCorner) {
      entry = ReadSlashCommand();
    } else {
      entry = FindEntry(GameSession.Location, key);
    }
    if (entry != nullptr) return *entry;
  }
}

bool MayBuyTheRestaurant() {
  return GameSession.Location == kSheinens && QualifiesForTheBar(GameSession.Player);
}


void ShowStreetMenu() {
  WriteLine("|CR|09                Street Corner Options");
  WriteLine("|09" + std::string(16, ' ') + Rule(21));
  WriteLine("|09[C] |15Kordavin Casino           |09[D] |15Disband Whore");
  WriteLine("|09[E] |15Examine Another Pimp      |09[F] |15Firebomb Whore House");
  WriteLine("|09[G] |15Go to Flaming Sheinen's   |09[M] |15Move to Another Street");
  WriteLine("|09[P] |15Player Rankings           |09[S] |15Set up Whore House");
  WriteLine("|09[T] |15Steal from Another Pimp   |09[W] |15Whore Statistics");
  WriteLine("|09[V] |15Visit Stiff Pete          |09[Y] |15Your Statistics");
  WriteLine("|09[$] |15Prices of Whore Houses");
  WriteLine("|09" + std::string(16, ' ') + Rule(21));
  WriteLine("|09[A] |15Ansi Toggle               |09[I] |15Information");
  WriteLine("|09[O] |15Online Documentation      |09[Q] |15Quit");
  WriteLine("|09[?] |15Help");
}

void ShowSheinensMenu() {
  WriteLine("|CR|12        Flaming Sheinen's Restaurant Options");
  WriteLine("|12" + std::string(8, ' ') + Rule(36));
  WriteLine("|12[C] |15Kordavin Casino           |12[E] |15Eat a Flame Burger");
  WriteLine("|12[G] |15Give Condoms to Whores    |12[H] |15Hire Agent");
  WriteLine("|12[P] |15Police Tip                |12[R] |15Return to Streets");
  WriteLine("|12[S] |15Speak to Flaming Sheinen  |12[T] |15Talk to Women Here");
  WriteLine("|12[V] |15Visit Stiff Pete");
  WriteLine("|12" + std::string(8, ' ') + Rule(35));
  WriteLine("|12[A] |15Ansi Toggle               |12[I] |15Information");
  WriteLine("|12[O] |15Online Documentation      |12[Q] |15Quit");
  WriteLine("|12[?] |15Help");
}

void ShowPetesMenu() {
  WriteLine("|CR|13           Stiff Pete's Wardrobe Options");
  WriteLine("|13" + std::string(11, ' ') + Rule(29));
  WriteLine("|13[B] |15Buy New Clothes           |13[C] |15Kordavin Casino");
  WriteLine("|13[E] |15Examine Your Wardrobe     |13[G] |15Go to Flaming Sheinen's");
  WriteLine("|13[P] |15Purchase Condoms          |13[R] |15Return to Streets");
  WriteLine("|13[S] |15Speak to Stiff Pete       |13[$] |15Prices of New Clothes");
  WriteLine("|13" + std::string(11, ' ') + Rule(29));
  WriteLine("|13[A] |15Ansi Toggle               |13[I] |15Information");
  WriteLine("|13[O] |15Online Documentation      |13[Q] |15Quit");
  WriteLine("|13[?] |15Help");
}

// The next line of the text file, without the CR an edited file may carry;
// past the end every line is empty.
std::string NextDatLine(std::ifstream& file) {
  std::string line;
  if (!file.is_open() || !std::getline(file, line)) return "";
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

int16_t LocationMenu() {
  int16_t code = 0;
  for (;;) {
    RaiseNegativeCash(GameSession.Player);
    WritePrompt();
    const MenuEntry& entry = ReadMenuKey();
    code = entry.code;
    if (entry.new_location >= 0) GameSession.Location = static_cast<uint8_t>(entry.new_location);
    TakeTime(entry.cost);
    WriteLine("|11" + std::string(entry.name));
    if (MayBuyTheRestaurant()) {
      code = kCodeBuyTheBar;
      GameSession.Location = kStreetCorner;
    }
    if (code > kLastWalkCode) return code;
    if (GameSession.TimeLeft <= kDayOverAtUnits) return code;
  }
}

void ShowMenu(uint8_t location) {
  if (location == kStreetCorner) ShowStreetMenu();
  if (location == kSheinens) ShowSheinensMenu();
  if (location == kPetes) ShowPetesMenu();
}

void ShowDatLines(int first, int last) {
  WriteRawLine("");
  std::ifstream file(DataPath(kDatFile), std::ios::binary);
  for (int skipped = 1; skipped < first; ++skipped) NextDatLine(file);
  for (int number = first; number <= last; ++number) {
    const std::string line = number >= 1 ? NextDatLine(file) : std::string();
    if (line.empty()) {
      WriteRawLine("");
    } else if (line == "PAUSE") {
      PauseKey();
    } else {
      WriteLine(line);
    }
  }
}

void ShowInformation() {
  TakeTime(time_cost::kLook);
  switch (GameSession.Location) {
    case kStreetCorner: {
      const int street = GameSession.CurrentStreet;
      // A damaged street number must not ask for a negative count of streets.
      const int up = std::max(kLastStreet - street, 0);
      const int down = std::max(street - 1, 0);
      WriteLine("|CRYou are on the corner of " + Ordinal(street) +
                " & Main. As you look up Main Street you see");
      WriteLine(StreetsPhrase(up) + ". As you look down Main Street, you see " +
                StreetsPhrase(down) + ". From");
      WriteLine("this location you can move to any street or any building.");
      break;
    }
    case kSheinens:
      ShowDatLines(kSheinensLook.first, kSheinensLook.last);
      break;
    case kPetes:
      ShowDatLines(kPetesLook.first, kPetesLook.last);
      break;
    default:
      break;
  }
}

void QuitGame() {
  WriteText("|CRAre you sure you want to quit? [Y/N] ");
  if (!AskYesNo()) return;
  SavePlayer();
  EndSession();
}

void ToggleAnsi() {
  if (DoorSession.Ansi == 1) {
    DoorSession.Ansi = 0;
    WriteLine("|CRAnsi Characters are now off.");
  } else {
    DoorSession.Ansi = 1;
    WriteLine("|CR|09A|10n|14s|12i |15Characters are now on.");
  }
}

bool QualifiesForTheBar(const PlayerRecord& player) {
  return player.ClothesLevel == kTopClothesLevel && player.AteFlameBurger != 0 &&
         player.Cash > kWinningCash && player.WhoreCount == 0;
}
