#include "casino/casino.h"
#include "door/session.h"
#include "door/terminal.h"
#include "game/loop.h"
#include "game/store_refusal.h"
#include "town/town.h"

int main(int argc, char** argv) {
  ResetDoorSession();
  SetUpTerminal();
  SetStoreRefusalHandler(EndOnStoreRefusal);
  StartSession(argc, argv);
  RegisterTownCommands();
  RegisterCasinoCommands();
  RunStartUp();
  RunActionLoop();
}
