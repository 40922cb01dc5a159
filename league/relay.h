// What a board owes the boards it sends to. Members link to the coordinator
// alone; the coordinator passes each member's signed standings on to the
// others as they came, with its member list and hall of fame. Whatever a
// board is owed is offered on every run until its own "still here" shows it
// has it, so a file the mail lost, or a link busy at the moment, costs a
// night and never the file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "league/settings.h"

// Where this board's files go: every member from the coordinator, the
// coordinator alone from a member.
std::vector<LeagueMember> Destinations(const LeagueSettings& settings);

// Queues for every destination, in one write of its flow file, each held
// file its latest "still here" does not show it has. A link whose busy flag
// is up is passed over at once. False when a flow file cannot be written.
bool OfferOwed(const std::string& dir, const LeagueSettings& settings, std::ostream& out,
               std::string& error);

// Queues one held file for boards outside the member list (the list that
// tells them they were taken out).
bool QueueFor(const LeagueSettings& settings, const std::vector<LeagueMember>& boards,
              const std::string& path, std::ostream& out, std::string& error);
