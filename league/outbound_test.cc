// The flow file a mailer looks for: a slip here costs a league silently.
#include "league/outbound.h"

#include <gtest/gtest.h>

#include "league/settings.h"

namespace {

FtnAddress Address(const char* text) {
  FtnAddress address;
  EXPECT_TRUE(ParseFtnAddress(text, address)) << text;
  return address;
}

TEST(LeagueFlowFiles, ZonesAndPointsGetTheirOwnPlaces) {
  const std::string out = "/spool/outbound";
  EXPECT_EQ(FlowPathsFor(out, 21, Address("21:1/200")).flow, "/spool/outbound/000100c8.flo");
  EXPECT_EQ(FlowPathsFor(out + "/", 21, Address("21:1/200")).busy, "/spool/outbound/000100c8.bsy");
  // Other zones: the outbound's name with the zone in three hex digits.
  EXPECT_EQ(FlowPathsFor(out, 21, Address("2:5020/1042")).flow,
            "/spool/outbound.002/139c0412.flo");
  EXPECT_EQ(FlowPathsFor(out, 1, Address("300:32767/65@fsxnet")).flow,
            "/spool/outbound.12c/7fff0041.flo");
  const FlowPaths point = FlowPathsFor(out, 21, Address("21:3/4.17"));
  EXPECT_EQ(point.dir, "/spool/outbound/00030004.pnt");
  EXPECT_EQ(point.flow, "/spool/outbound/00030004.pnt/00000011.flo");
  EXPECT_EQ(point.busy, "/spool/outbound/00030004.pnt/00000011.bsy");
  FtnAddress ignored;
  for (const char* bad : {"", "21:1", "1/2", "21:1/2.", "0:1/2", "21:1/2.x", "21:/2", "99999:1/1"}) {
    EXPECT_FALSE(ParseFtnAddress(bad, ignored)) << bad;
  }
  EXPECT_EQ(FtnAddressText(Address("21:1/200.0")), "21:1/200");
}

}  // namespace
