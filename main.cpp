#include "door/input.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/terminal.h"

int main(int argc, char** argv) {
  ResetDoorSession();
  SetUpTerminal();
  StartSession(argc, argv);
  AskAnsi();
  CloseDown();
  EndProcess(0);
}
