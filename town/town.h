// Wires the town's actions to their command codes.
#pragma once

void RegisterTownCommands();
