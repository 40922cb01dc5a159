// The steps a scripted visit is made of: waiting for a screen text, sending
// keys, choosing a rival. Shared by the action mixes of the proofs.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/scripted_caller.h"

extern const std::string kStreet;
extern const std::string kSheinens;
extern const std::string kCasino;
extern const std::string kPause;

// Ends a script early: the screen showed something that stops the visit.
struct ScriptStop {
  std::string why;
};

struct Visit {
  const VisitPlan& plan;
  std::mt19937& rng;
  DoorRun& run;
  VisitResult& result;
  size_t mark = 0;      // output up to here has been answered
  std::string segment;  // what came between the previous mark and the last match
  int sends = 0;
  int answers = 0;
  bool hung_up = false;  // the script has hung up; the door's last bytes are still read
};

// Waits for the first of the needles to appear after the mark and returns
// its index; a file error, the day's end, a timeout or the process ending
// stop the script instead.
size_t Await(Visit& v, const std::vector<std::string>& needles);
// Leaves a prompt just matched unanswered, for the next Await to find.
void Unread(Visit& v, const std::string& needle);
// What a key send is to a planned hang-up. An answer decides what moves
// (a stake, a theft); no hang-up falls on a key whose outcome the books
// cannot know from the screen once the caller hangs up there.
enum class Key { kPlain, kAnswer, kNoHangUp };
void Send(Visit& v, const std::string& keys, Key kind = Key::kPlain);
// A menu key; the time until its name comes back is the caller's echo delay.
void Command(Visit& v, char key, const std::string& name);
int Pick(Visit& v, int count);
// Answers a rival selection with one of plan.targets (anyone when empty);
// returns the chosen pimp's name, empty for none.
std::string SelectRival(Visit& v);
void AtSheinens(Visit& v, const std::function<void()>& action);
void TalkToWomen(Visit& v);
// The whole number the text starts with ("-5", "1200"); 0 when none.
int64_t LeadingNumber(const std::string& text);

// The actions of the fairness mix: money and whores moving between players.
void RunFairAction(Visit& v);
// What a caller robbed while on line does between thefts: gamble or hire,
// each an outcome he stores onto what the thieves left him.
void RunOnLineAction(Visit& v);
// A purchase, the agent's fee, a house or a stake, each paid only from what
// he holds when it is stored: what a caller robbed at his prices does.
void RunPricedAction(Visit& v);
// Stops the door's output as a stalled line does: its tty is told to obey
// flow control, and XOFF is sent.
void StopTheLine(DoorRun& run);
// A theft from the victim, with a hang-up while its answer waits on a
// stopped line; returns only when there was nothing to steal.
void StalledTheft(Visit& v, int victim);
