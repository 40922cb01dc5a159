// A caller's home board. Door servers that host one game for the callers of
// many boards hand each caller over as "[TAG]handle", the tag naming the
// board he called from; the whole handle stays his key, so "[XA]bob" and
// "[XB]bob" are two players, and the tag is where he comes from.
#pragma once

#include <string>
#include <string_view>

#include "store/records.h"

// Characters a tag may have at the most, between its brackets.
inline constexpr size_t kMostBoardTagLength = 8;

// The tag of a handle of the form "[TAG]name": letters and digits only, so
// that no code reaches a screen through it; empty when the handle has none.
std::string BoardTagOf(std::string_view handle);
// The player's home board: the tag of the name he is keyed by. A door server
// often gives the tagged handle as the real name too, and no one's real name
// takes that form, so either kind of key has its tag shown.
std::string HomeBoardOf(const PlayerRecord& player);
// The home board of whoever plays on the node now, from the record his
// presence names; empty when there is none, or when that record is not the
// pimp's by now (a new game has begun since).
std::string HomeBoardOnNode(int node, std::string_view pimp_name);
