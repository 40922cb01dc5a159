// A scripted caller for the whole-system proofs: one visit of the real door in
// a pseudo-terminal, walking the menus with a random mix of actions and
// noting what the screen says it caused.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "door/pty_testing.h"

// Caller n is "Load Caller n" at the BBS and plays the pimp "Pimp n".
std::string CallerAlias(int caller);
std::string CallerPimp(int caller);
// The caller number of a pimp name as the roster shows it; -1 for any other.
int CallerOfPimp(const std::string& pimp);

// A news message the screen said was posted. Messages whose text the screen
// does not show whole are noted by their fixed beginning.
struct CausedNews {
  std::string to;
  std::string line1;
};

// Cash or whores that a screen said moved from one player to another. Player
// 0 is nobody: the casino, a seller, the police.
struct Movement {
  int from = 0;
  int to = 0;
  int64_t cash = 0;
  int whores = 0;
  bool all_cash = false;  // whatever `from` holds at that moment (the knife)
};

struct VisitResult {
  std::string output;        // every byte the door sent
  bool joined = false;       // the caller answered the joining questions
  bool at_menu = false;      // reached a place's prompt
  bool clean_end = false;    // quit or day's end, and exit code 0
  bool stopped = false;      // the script stopped at stop_at_ms, door still running
  std::string failure;       // what went wrong, empty when nothing did
  int actions = 0;           // menu commands sent
  std::vector<CausedNews> caused;
  std::vector<int64_t> echo_us;  // from a menu key to its echo
  std::vector<Movement> moved;   // in the order the screen told them
  // A theft whose outcome was on its way to a stalled line at the hang-up:
  // the screen told nothing, so the thief and this victim are held only to
  // having changed together or not at all. 0 = none.
  int victim_in_flight = 0;
  bool stalled = false;          // that theft's send was seen blocked
  bool hung_up_at_first_byte = false;
  int clothes_bought = 0;        // "You got it!" at Stiff Pete's clothes
  int64_t condoms_bought = 0;    // condoms bought and not refused
};

struct Visit;

struct VisitPlan {
  std::string dir;           // the door's directory
  int caller = 1;
  int node = 1;
  int actions = 6;           // menu actions before quitting
  int wait_ms = 30000;       // longest wait for one screen text
  int64_t stop_at_ms = 0;    // steady-clock ms at which to stop; 0 = never
  int stop_after_send = 0;   // stop right after this many key sends; 0 = never
  // Stop instead of making this key send, once the door is blocked waiting
  // for it (the hang-up is left to the caller); 0 = never.
  int stop_at_wait = 0;
  bool fair_mix = false;     // the fairness mix of actions instead of the load mix
  std::vector<int> targets{};  // callers a rival is chosen from; empty = anyone
  std::string fake_time{};   // pins the door's clock when not empty
  // Stall the line before this answer (the n-th key that decides what
  // moves), let it go, and hang up with SIGHUP the moment the first byte
  // of the door's reply arrives; what it sent is still read. 0 = never.
  int hang_up_at_first_byte = 0;
  // Steal from this victim first, stall the line before the answer and
  // hang up while it waits. 0 = never.
  int stalled_theft_from = 0;
  std::string pimp{};        // the pimp name to join with; CallerPimp(caller) when empty
  // Runs just before the pimp name is sent (to line two joins up).
  std::function<void()> before_pimp_name{};
  // Replaces the actions and the quit once the street is reached.
  std::function<void(Visit&)> script{};
  // Pause up to 0.9 s at every price and stake before the key that pays it.
  bool hesitate = false;
};

// Runs one visit; run is left to the caller (stopped runs are still alive).
VisitResult RunVisit(const VisitPlan& plan, std::mt19937& rng, DoorRun& run);

// The news lines a visit's screen showed under "Last Night, ...".
std::vector<std::string> ShownNews(const std::string& output);

// The fixed beginning by which a news line is matched (see CausedNews).
std::string NewsKey(const std::string& line1);

int64_t SteadyMs();

// Wait until the door sleeps waiting for a key, or blocked writing to a
// line nobody reads; false after timeout_ms or once it has ended.
bool WaitForKeyWait(pid_t pid, int timeout_ms);
bool WaitForStalledWrite(pid_t pid, int timeout_ms);
