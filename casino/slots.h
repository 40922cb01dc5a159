// The slot machine: three reels for a stake.
#pragma once

void PlaySlotMachine();
