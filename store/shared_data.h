// News, the game's configuration and the name lists of the text data file.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/caller.h"
#include "store/files.h"
#include "store/records.h"

// What a shown message is overwritten with: its slot is free for the next
// message and it is never shown twice.
constexpr char kShownNewsLine[] = "DELETED";

// Addressed to a player's key (KeyOf his record), so that news for a player
// keyed by his real name never reaches a caller who took that name as handle.
void PostNews(const PlayerKey& to, std::string_view line1, std::string_view line2);
// The same, into kordavin.msg held by a step.
void PostNewsIn(RecordFile& news, const PlayerKey& to, std::string_view line1,
                std::string_view line2);
// Unread news addressed to from is addressed to to; and the winner's line of
// a won game, when winner_name won it under old_alias, shows new_key.
void ReaddressNews(const PlayerKey& from, const PlayerKey& to);
void ReaddressWinner(std::string_view winner_name, std::string_view old_alias,
                     const PlayerKey& new_key);

struct WaitingNews {
  int64_t slot = 0;
  NewsMessage message;
};
// The unread messages addressed to key, in slot order; cut_off tells whether
// a cut-off slot follows them.
std::vector<WaitingNews> NewsWaitingFor(const PlayerKey& key, bool& cut_off);
// Marks the messages shown. A slot that no longer holds the message shown
// (marked elsewhere and taken by new news) is left alone. A cut-off slot at
// the end then stops the session with the read error, as a scan that reaches
// it always has, but only once what was shown is marked.
void MarkNewsShown(const std::vector<WaitingNews>& shown, bool cut_off);

void LoadNameLists();
// Reads kordavin.cfg (an 84- or 128-byte file); a missing or short file reads as empty.
GameConfig ReadConfig();
// The configuration as start-up reads it: a file without its whole record
// ends the session with the read error.
GameConfig ReadConfigRecord();
// Rewrites the first 84 bytes of kordavin.cfg.
void WriteConfig(const GameConfig& config);
