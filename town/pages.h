// Pages between nodes: one caller leaves a line in another's presence record,
// the other's session shows it while it waits for a key.
#pragma once

#include <cstdint>
#include <string_view>

// Leaves the page in the node's presence record; a node nobody is on gets
// nothing.
void SendPage(int16_t node, std::string_view from, std::string_view text);

// Shows a waiting page once and clears it; false when the presence file was
// busy and is to be looked at again shortly.
bool CheckPages();
