#include "casino/casino.h"
#include "door/session.h"
#include "door/terminal.h"
#include "game/loop.h"
#include "town/town.h"

int main(int argc, char** argv) {
  ResetDoorSession();
  SetUpTerminal();
  StartSession(argc, argv);
  RegisterTownCommands();
  RegisterCasinoCommands();
  RunStartUp();
  RunActionLoop();
}
