// The coordinator's relay: members link to the coordinator alone, and it
// passes each member's signed standings on to the others as they came.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "league/packet.h"
#include "league/settings.h"

// Where the coordinator keeps the latest packet of each board as it came.
constexpr char kHeldDir[] = "league-held";

// Queues bytes as the file `name` for each board through the outbound, a
// copy each: the mailer deletes each after sending it.
bool QueueFor(const std::string& dir, const LeagueSettings& settings,
              const std::vector<LeagueMember>& boards, const std::string& name,
              const std::string& bytes, std::ostream& out, std::string& error);

// Where this board's standings go: every member from the coordinator, the
// coordinator alone from a member.
std::vector<LeagueMember> Destinations(const LeagueSettings& settings);

// The coordinator, having taken a member's packet: queues its bytes for
// every other member and keeps them for boards that join later.
bool PassOn(const std::string& dir, const LeagueSettings& settings, const ScorePacket& packet,
            const std::string& bytes, std::ostream& out, std::string& error);

// A board the coordinator has not sent to before gets the latest packet of
// every other member as it came.
bool PassOnHeldTo(const std::string& dir, const LeagueSettings& settings,
                  const std::vector<LeagueMember>& boards, std::ostream& out, std::string& error);
