// Pages between callers, carried in the presence record of the node paged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Leaves message waiting in node's presence record when a session is live
// there, and wakes that session's door; returns whether it was left. The
// pimp may have left while the page was typed, and nobody would read it.
bool LeavePage(int16_t node, std::string_view message);

enum class PageLook : uint8_t {
  kNone,      // no page waits
  kTaken,     // message holds the page, now cleared from the record
  kFileBusy,  // another node holds the presence file: look again shortly
};

// Takes the page waiting in this node's presence record into message. The
// lock is only tried briefly, never waited for long.
PageLook TakeWaitingPage(std::string& message);
