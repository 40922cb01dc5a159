// A new caller joins with a pimp name; every caller then goes through the
// daily login, which decides how much of today is left to play.
#include "game/join.h"

#include <string>

#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "store/caller.h"
#include "store/files.h"
#include "store/own_record.h"
#include "store/records.h"
#include "store/rules.h"
#include "store/state.h"
#include "store/players.h"
#include "store/session_end.h"

namespace {

constexpr uint8_t kCapitaliseWords = 3;

// Every printable ASCII character, space to tilde.
std::string PrintableCharacters() {
  std::string allowed;
  for (char c = ' '; c <= '~'; ++c) allowed.push_back(c);
  return allowed;
}

// A name of nothing but blanks would show as an empty gap in every roster
// and message, so it is asked for again just like an empty one.
bool IsBlank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

std::string AskPimpName() {
  const std::string allowed = PrintableCharacters();
  std::string name;
  while (IsBlank(name)) {
    WriteText("|12Enter your Pimp Name : |14");
    name = InputLine(kCapitaliseWords, static_cast<uint8_t>(kNameCapacity), allowed, "");
  }
  return name;
}

PlayerRecord JoiningPlayer(const std::string& name) {
  PlayerRecord player = NewPlayer();
  player.Name = name;
  SetKey(player, CallerKey());
  player.LastDay = TodayDay();
  player.TimeLeft = static_cast<int16_t>(Random(kFirstDaySpread) + kFirstDayUnits);
  return player;
}

}  // namespace

void JoinGame() {
  WriteLine("|CR|13Welcome to Kordavin!");
  WriteLine(std::string(21, '\xC4'));
  WriteText("|CR|09Would you like to play? [Y/N] ");
  if (!AskYesNo()) EndSession();
  WriteRawLine("");
  const PlayerRecord player = JoiningPlayer(AskPimpName());
  // The presence file is written before the daily login loads the record; a
  // new player would otherwise be on the streets without a name.
  bool joined_elsewhere = false;
  GameSession.PlayerNumber = JoinPlayer(player, GameSession.Player, joined_elsewhere);
  if (joined_elsewhere) {
    WriteLine("|CR|14You joined on another node a moment ago: you play as |15" +
              GameSession.Player.Name + "|14.");
  }
  WriteLine(
      "|CR|15Press \"?\" at any prompt for an options list. \"O\" for online "
      "documentation.|CR");
  PauseKey();
}

void DailyLogin() {
  ReadPlayer(GameSession.PlayerNumber, GameSession.Player);
  RememberOwnRecord(GameSession.Player);
  GameSession.Day = TodayDay();
  PlayerRecord& player = GameSession.Player;
  GameSession.TimeLeft = kDayUnits;
  RaiseNegativeCash(player);
  if (player.LastDay == TodayDay()) {
    // Below 0 is an overspent day (or a damaged record), not one never begun.
    if (player.TimeLeft <= 0) {
      WriteLine(
          "|CR|07  Your women are out on the streets, log on tomorrow to find out how they "
          "do.");
      EndSession();
    }
    GameSession.TimeLeft = player.TimeLeft;
  }
  GameSession.CurrentStreet = player.HouseStreet == 0 ? 1 : player.HouseStreet;
}
