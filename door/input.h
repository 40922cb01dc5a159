// Keys from the caller under the inactivity and time limits, and the prompts
// built on them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

uint8_t ReadKey();
uint8_t GetKeyFrom(std::string_view allowed, bool echo);
std::string InputLine(uint8_t mode, uint8_t max_length, std::string_view allowed,
                      std::string_view initial);
int32_t InputNumber(uint8_t max_length);
bool AskYesNo();
void PauseKey();
void AskAnsi();

// Forgets any half-decoded escape sequence (a new session or test).
void ResetKeyboard();

// Runs DoorSession.OnWaiting at the next key wait as if another door had
// woken this one: for what arrived while the hook could not yet show it.
void CallWaitingHookAtNextWait();
