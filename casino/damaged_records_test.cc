// The casino with a caller whose record arrived damaged: negative cash is
// none at the door, a fortune at the top of the range neither wraps nor
// pays past it, and a day longer than a day shows on the clock as a day.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "casino/casino.h"
#include "door/fake_host_testing.h"
#include "game/damage_testing.h"
#include "store/state.h"

namespace {

constexpr int32_t kMostCash = std::numeric_limits<int32_t>::max();

TEST_F(DamagedRecordsTest, WreckedCallerWithNegativeCashIsTurnedAway) {
  SeatCaller(WreckedPlayerBytes("Joe Caller", 200));
  EnterCasino();
  EXPECT_EQ(TakeOutput(), "Come to the casino tomorrow, when you have some money.\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 0);
  EXPECT_EQ(GameSession.TimeLeft, 260);
}

TEST_F(DamagedRecordsTest, FortuneAtTheTopHoldsThereAndAnOverlongDayShowsAsOne) {
  std::string me = WreckedPlayerBytes("Joe Caller", 200);
  PokeDamageI32(me, damage_at::kCash, kMostCash);
  PokeDamageByte(me, damage_at::kLastDay, 8);
  PokeDamageI16(me, damage_at::kTimeLeft, 300);
  SeatCaller(me);
  EXPECT_EQ(GameSession.TimeLeft, 300);

  // Craps: the largest stake there is, a seven, and the caller stops.
  QueueKeys("C" "99999999\r" "S" "T" "R");
  Fake.draws.assign({2, 3});
  EnterCasino();
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("[1:00PM][$2147483647]"), std::string::npos);
  EXPECT_NE(out.find("You win $199999998."), std::string::npos);
  EXPECT_NE(out.find("The time is 1:00PM."), std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, kMostCash);
  EXPECT_EQ(GameSession.TimeLeft, 297);
  EXPECT_EQ(GameSession.Location, 0);
}

}  // namespace
