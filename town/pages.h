// Pages between nodes: one caller leaves a line in another's presence record,
// the other's session shows it while it waits for a key.
#pragma once

// Shows a waiting page once and clears it; installed as the key-wait hook.
void CheckPages();
