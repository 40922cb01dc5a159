// Who is calling, on which node, from where the program runs, and the clock
// that enforces the caller's time limit: what the drop file reader, the
// output and the terminal need, below the start-up that fills it in.
#pragma once

#include <cstdint>
#include <string>

struct DoorSessionRecord {
  std::string BbsName;        // BBS software name from DOOR32.SYS, up to 255 bytes
  uint8_t CommType = 0;       // 0 local, 1 serial, 2 telnet (DOOR32.SYS)
  int32_t CommHandle = 0;     // port number, or the caller's socket with CommType 2
  int32_t Baud = 0;           // connection speed; unused
  bool LocalMode = false;     // recorded from the drop file; changes nothing
  int32_t UserRecord = 0;     // caller's record number at the BBS; unused
  std::string RealName;       // caller's full name, up to 30; shown to nobody by default
  std::string Alias;          // caller's handle, up to 30: his name in the game (CallerKey)
  bool RealNamesOnly = false; // --real-names: the board wants players known by real name
  int32_t Security = 0;       // security level; unused
  uint16_t CallMinutes = 0;   // minutes the caller may stay, starts the session clock
  uint8_t Ansi = 0;           // emulation; colour is sent only when it equals 1
  uint8_t ScreenLength = 24;  // lines per screen from DOOR.SYS / CHAIN.TXT / BBSDEV.DRP: lists pause by it
  uint16_t ScreenWidth = 80;  // columns, from BBSDEV.DRP; unused
  bool Utf8 = false;          // the caller's terminal speaks UTF-8, not CP437
  bool AcceptCursorKeys = true;   // cursor keys reach the game as their letters
  bool FiveMinuteWarned = false;  // the five-minute warning was given
  int16_t Node = 0;           // node number from the command line, 1 or more
  bool WokenByOthers = false; // a wake-up channel is open: OnWaiting waits to be woken
  std::string ProgramDir;     // directory of the program file plus "/" (data files)

  // Session clock.
  int16_t StartMinute = 0;  // minute of the day the clock started (negative after midnight)
  int16_t EndMinute = 0;    // StartMinute plus the caller's minutes
  int32_t IdleSince = 0;    // second of the day the current key wait began
  int64_t IdleSinceMs = 0;  // the same moment on the monotonic clock

  // Handler slots, called by ReadKey while it waits.
  void (*OnInactivity)() = nullptr;   // 180 s without a key
  void (*OnFiveMinutes)() = nullptr;  // exactly 5 minutes left, once
  void (*OnTimeUp)() = nullptr;       // no minutes left
  // During a wait, when another door woke this one (or about once a second
  // where no wake-up channel could be opened): pages and rivals' moves.
  // False when the files were busy and it is to be called again shortly.
  bool (*OnWaiting)() = nullptr;
  // Called as each key is asked for, and each time the door is about to
  // block for one, after what the caller should see has been sent: the game
  // stores the caller's record here, so a hang-up keeps what the screen showed.
  void (*BeforeWait)() = nullptr;
  // Set by the game while the caller is in the middle of something a key of
  // his must finish (a hand at the casino). When the door ends without his
  // say - he hangs up, goes idle or runs out of time - it is called once,
  // with everything it writes discarded, and must finish and store it.
  void (*OnHangup)() = nullptr;
  // Called before any output leaves the door, at a wait or a full buffer:
  // the game stores here what the bytes about to go describe, so the screen
  // never runs ahead of the files. It must not send (a send inside it goes
  // out without calling it again).
  void (*BeforeSend)() = nullptr;
};

extern DoorSessionRecord DoorSession;

// Takes the drop file's minutes (0..65535); a count too large for the 16-bit
// clock is held at a limit instead of wrapping into the past.
void StartTimer(int32_t minutes);
int16_t MinutesLeft();
int MinuteOfDay();
int32_t SecondOfDay();
