#include "town/town.h"

#include "door/session.h"
#include "game/command_codes.h"
#include "game/loop.h"
#include "store/rules.h"
#include "store/state.h"
#include "town/league_view.h"
#include "town/notices.h"
#include "town/petes.h"
#include "town/raid.h"
#include "town/roster.h"
#include "town/sheinens.h"
#include "town/street.h"

namespace {

void ShowOwnStats() {
  ShowPlayerStats(GameSession.PlayerNumber);
  TakeTime(time_cost::kOwnStatistics);
}

void ExamineRival() {
  const int32_t rival = SelectRival();
  if (rival == -1) return;
  TakeTime(time_cost::kExamineRival);
  ShowPlayerStats(rival);
}

}  // namespace

void RegisterTownCommands() {
  SetCommandAction(kCodeWhoreStatistics, ShowWhoreStats);
  SetCommandAction(kCodeYourStatistics, ShowOwnStats);
  SetCommandAction(kCodeExamineRival, ExamineRival);
  SetCommandAction(kCodeSetUpWhoreHouse, SetUpWhoreHouse);
  SetCommandAction(kCodeStealFromPimp, StealFromPimp);
  SetCommandAction(kCodeMoveStreet, MoveStreet);
  SetCommandAction(kCodeFirebombHouse, FirebombHouse);
  SetCommandAction(kCodeDisbandWhore, DisbandWhore);
  SetCommandAction(kCodePlayerRankings, ShowRankings);
  SetCommandAction(kCodeHousePrices, ShowHousePrices);
  SetCommandAction(kCodeHireAgent, HireAgent);
  SetCommandAction(kCodeTalkToWomen, TalkToWomen);
  SetCommandAction(kCodeEatFlameBurger, EatFlameBurger);
  SetCommandAction(kCodePoliceTip, PoliceTip);
  SetCommandAction(kCodeGiveCondoms, GiveCondoms);
  SetCommandAction(kCodeExamineWardrobe, ShowWardrobe);
  SetCommandAction(kCodeBuyClothes, BuyClothes);
  SetCommandAction(kCodeBuyCondoms, BuyCondoms);
  SetCommandAction(kCodeClothesPrices, ShowClothesPrices);
  SetCommandAction(kCodeBuyTheBar, BuyTheBar);
  SetCommandAction(kCodeWhoIsOn, ShowWhoIsOn);
  SetCommandAction(kCodePagePimp, PagePimp);
  SetCommandAction(kCodeLeague, ShowLeague);
  DoorSession.OnWaiting = CheckPagesAndNotices;
}
