// Actions against a rival's cash, whores and house.
#pragma once

void StealFromPimp();
void FirebombHouse();
