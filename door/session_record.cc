#include "door/session_record.h"

#include "door/platform.h"

DoorSessionRecord DoorSession;

namespace {

// Keeps EndMinute inside the 16-bit clock however many minutes a drop file
// claims (some packages write seconds or a constant there).
constexpr int32_t kMostMinutes = 30000;

}  // namespace

void StartTimer(int32_t minutes) {
  if (minutes < 0) minutes = 0;
  if (minutes > kMostMinutes) minutes = kMostMinutes;
  DoorSession.StartMinute = static_cast<int16_t>(MinuteOfDay());
  DoorSession.EndMinute = static_cast<int16_t>(DoorSession.StartMinute + minutes);
}

int16_t MinutesLeft() {
  int now = MinuteOfDay();
  if (now < DoorSession.StartMinute) {
    DoorSession.StartMinute = static_cast<int16_t>(DoorSession.StartMinute - 1440);
    DoorSession.EndMinute = static_cast<int16_t>(DoorSession.EndMinute - 1440);
  }
  return static_cast<int16_t>(DoorSession.EndMinute - now);
}

int MinuteOfDay() {
  LocalClock now = Host.Now();
  return now.Hour * 60 + now.Minute;
}

int32_t SecondOfDay() {
  LocalClock now = Host.Now();
  return now.Hour * 3600 + now.Minute * 60 + now.Second;
}
