#include "door/terminal.h"

#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace {

// The door's stdin becomes a fresh pty, as a BBS would hand it over.
void TakePtyAsStdin() {
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) std::_Exit(3);
  if (dup2(slave, STDIN_FILENO) < 0) std::_Exit(4);
}

}  // namespace

// Once the caller's own terminal mode is back, a ^C, ^\ or ^Z he typed ahead
// arrives as a signal while the door is still on its way out (flushing,
// closing files); the door must end with its own exit code all the same.
TEST(TerminalRestore, KeySignalsCannotCutTheWayOutShort) {
  EXPECT_EXIT(
      {
        TakePtyAsStdin();
        SetUpTerminal();
        EnterRawMode();
        RestoreTerminal();
        std::raise(SIGINT);
        std::raise(SIGQUIT);
        std::raise(SIGTSTP);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}
