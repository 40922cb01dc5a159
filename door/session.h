// The caller's door session: starting it from the command line and the drop
// file, the usage screen, and its close-down.
#pragma once

#include <string>
#include <string_view>

#include "door/session_record.h"

// The one option besides the two positional arguments: players are keyed and
// shown by their real names, as before handles were read.
constexpr std::string_view kRealNamesSwitch = "--real-names";
// For hosts that pass the door's bytes on untranslated to UTF-8 terminals
// and write no BBSDEV.DRP to say so.
constexpr std::string_view kUtf8Switch = "--utf8";

// Puts the session back to its initial values with the default handlers.
void ResetDoorSession();

// Reads the command line and the drop file, starts the session clock and
// takes the caller's connection, or shows the usage screen and ends the
// process.
void StartSession(int argc, char** argv);

// Prints the usage screen with the message and ends the process with code 0.
[[noreturn]] void ShowUsageAndExit(std::string_view message);

// Sets the caller's colour back to grey on black and ends the line.
void CloseDown();

// The directory part of a program path plus one more "/".
std::string ProgramDirOf(std::string_view program_path);
