#include "casino/casino.h"
#include "door/session.h"
#include "door/terminal.h"
#include "game/loop.h"
#include "store/session_end.h"
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
