// The main program's start-up sequence and action loop, and the small helpers
// the places and the casino share.
#pragma once

#include <cstdint>
#include <string>

using CommandAction = void (*)();

constexpr int kMaxCommandCode = 107;

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

// Spends time units of the caller's day; never wraps below the 16-bit range.
void TakeTime(int units);

std::string Ordinal(int n);
std::string ClockText();
void ShowTitle();
void FillDiceSumCounts();
