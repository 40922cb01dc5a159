// Pages between callers, carried in the presence record of the node paged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Leaves message waiting in node's presence record when a session is live
// there; returns whether it was left. The pimp may have left while the page
// was typed, and nobody would read it.
bool LeavePage(int16_t node, std::string_view message);

// Takes the page waiting in this node's presence record into message. The
// lock is only tried, never waited for: a page another node is writing right
// now shows a second later instead.
bool TakeWaitingPage(std::string& message);
