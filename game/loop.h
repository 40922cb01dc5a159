// The main program's start-up sequence and the action loop that runs the
// commands the places and the casino register.
#pragma once

#include "game/command_codes.h"

using CommandAction = void (*)();

// The town and casino register their actions here, so the game core does not
// depend on them.
void SetCommandAction(int code, CommandAction action);
CommandAction CommandActionFor(int code);

// Start-up steps 2..13 after StartSession.
void RunStartUp();
// Runs commands until the day is spent, then ends the session.
[[noreturn]] void RunActionLoop();
// Runs one command code as the loop does (no save).
void RunCommand(int code);

