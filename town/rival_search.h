// Finding a rival on a board of many players: lists of players a screen at a
// time, and a search by a piece of his pimp name or handle.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "store/records.h"

// Lists "number] pimp name" for every other player for whom shown is true,
// a screen at a time: at each pause Enter shows more and any other key ends
// the list. Each screen is read from the file as it comes, so a board of
// tens of thousands costs a screen, not the whole file, and no key wait
// holds the file. Returns how many records the file holds; any tells
// whether a row was written.
int64_t ListOtherPlayers(const std::function<bool(const PlayerStanding&)>& shown, bool& any);
// Lists every other player whose pimp name or shown handle holds the piece,
// whatever its case.
void ListPlayersMatching(std::string_view piece);
