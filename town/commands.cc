#include "town/town.h"

#include "door/session.h"
#include "game/loop.h"
#include "store/state.h"
#include "town/league_view.h"
#include "town/pages.h"
#include "town/petes.h"
#include "town/raid.h"
#include "town/roster.h"
#include "town/sheinens.h"
#include "town/street.h"

namespace {

void ShowOwnStats() {
  ShowPlayerStats(GameSession.PlayerNumber);
  TakeTime(2);
}

void ExamineRival() {
  const int16_t rival = SelectRival();
  if (rival == -1) return;
  TakeTime(4);
  ShowPlayerStats(rival);
}

}  // namespace

void RegisterTownCommands() {
  SetCommandAction(4, ShowWhoreStats);
  SetCommandAction(5, ShowOwnStats);
  SetCommandAction(6, ExamineRival);
  SetCommandAction(7, SetUpWhoreHouse);
  SetCommandAction(8, StealFromPimp);
  SetCommandAction(9, MoveStreet);
  SetCommandAction(10, FirebombHouse);
  SetCommandAction(11, DisbandWhore);
  SetCommandAction(12, ShowRankings);
  SetCommandAction(13, ShowHousePrices);
  SetCommandAction(21, HireAgent);
  SetCommandAction(22, TalkToWomen);
  SetCommandAction(24, EatFlameBurger);
  SetCommandAction(25, PoliceTip);
  SetCommandAction(26, GiveCondoms);
  SetCommandAction(41, ShowWardrobe);
  SetCommandAction(42, BuyClothes);
  SetCommandAction(44, BuyCondoms);
  SetCommandAction(45, ShowClothesPrices);
  SetCommandAction(99, BuyTheBar);
  SetCommandAction(105, ShowWhoIsOn);
  SetCommandAction(106, PagePimp);
  SetCommandAction(107, ShowLeague);
  DoorSession.OnWaiting = CheckPages;
}
