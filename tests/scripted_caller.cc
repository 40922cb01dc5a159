#include "tests/scripted_caller.h"

#include <signal.h>
#include <sys/syscall.h>
#include <termios.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <regex>
#include <utility>

#include "tests/script_steps.h"

const std::string kStreet = "& MAIN]: ";
const std::string kSheinens = "[FLAMING SHEINEN'S]: ";
const std::string kCasino = "[CASINO]: ";
const std::string kPause = "[-*-]";

namespace {

const std::string kPetes = "[STIFF PETE'S]: ";
const std::string kFileError = "ERROR: Unable to";
// The day-end text breaks its line inside "log on", the refusal does not.
const std::string kDayOver = "on tomorrow to find out";
const std::string kFirebombNews = "Your whore house was fire bombed.";
constexpr int kKeyWaitMs = 5000;

// The number of the system call the process sleeps in; -1 while it runs.
long SleepingIn(pid_t pid) {
  std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
  std::string number;
  if (!(syscall >> number) || number == "running") return -1;
  return std::atol(number.c_str());
}

bool WaitForSyscall(pid_t pid, const std::function<bool(long)>& wanted, int timeout_ms) {
  const int64_t deadline = SteadyMs() + timeout_ms;
  while (SteadyMs() < deadline) {
    if (wanted(SleepingIn(pid))) return true;
    if (waitpid(pid, nullptr, WNOHANG | WNOWAIT) != 0 && kill(pid, 0) != 0) return false;
    usleep(1000);
  }
  return false;
}

}  // namespace

size_t Await(Visit& v, const std::vector<std::string>& needles) {
  std::vector<std::string> all = {kFileError, kDayOver};
  all.insert(all.end(), needles.begin(), needles.end());
  const int64_t deadline = SteadyMs() + v.plan.wait_ms;
  for (bool closed = false;; closed = closed || !ReadDoorOutput(v.run, 20)) {
    size_t best = std::string::npos, which = 0;
    for (size_t i = 0; i < all.size(); ++i) {
      size_t at = v.run.output.find(all[i], v.mark);
      if (at < best) best = at, which = i;
    }
    if (best != std::string::npos) {
      v.segment = v.run.output.substr(v.mark, best - v.mark);
      v.mark = best + all[which].size();
      if (which == 0) throw ScriptStop{"file error"};
      if (which == 1) throw ScriptStop{"day over"};
      return which - 2;
    }
    if (closed) throw ScriptStop{v.hung_up ? "stopped" : "door ended waiting for " + needles.front()};
    const int64_t now = SteadyMs();
    if (v.plan.stop_at_ms != 0 && now >= v.plan.stop_at_ms) throw ScriptStop{"stopped"};
    if (now >= deadline) throw ScriptStop{"timeout waiting for " + needles.front()};
  }
}

void Unread(Visit& v, const std::string& needle) { v.mark -= needle.size(); }

void Send(Visit& v, const std::string& keys, Key kind) {
  if (v.hung_up) throw ScriptStop{"stopped"};
  if (kind != Key::kNoHangUp && v.sends + 1 == v.plan.stop_at_wait) {
    if (!WaitForKeyWait(v.run.pid, kKeyWaitMs)) throw ScriptStop{"no key wait before the hang-up"};
    throw ScriptStop{"stopped"};
  }
  const bool cut = kind == Key::kAnswer && ++v.answers == v.plan.hang_up_at_first_byte;
  if (cut) StopTheLine(v.run);
  SendKeys(v.run, keys);
  if (++v.sends == v.plan.stop_after_send) throw ScriptStop{"stopped"};
  if (!cut) return;
  // The answer waits on the stopped line; it is let go and the hang-up
  // follows as its first bytes arrive. The line takes the XON in its own
  // time: a hang-up sent with it may land while the answer still waits,
  // and then nothing of the answer reaches the screen although its outcome
  // is stored (that is the stalled theft's case, not this one).
  if (!WaitForStalledWrite(v.run.pid, 10000)) throw ScriptStop{"the answer never reached the line"};
  // What the door sent before the answer is read first, so that the first
  // new byte is the answer's.
  size_t read_before;
  do {
    read_before = v.run.output.size();
  } while (ReadDoorOutput(v.run, 0) && v.run.output.size() != read_before);
  const size_t shown = v.run.output.size();
  SendKeys(v.run, "\x11");
  for (const int64_t deadline = SteadyMs() + 10000;
       v.run.output.size() == shown && SteadyMs() < deadline && ReadDoorOutput(v.run, 20);) {
  }
  if (v.run.output.size() == shown) throw ScriptStop{"the answer never arrived"};
  kill(v.run.pid, SIGHUP);
  v.hung_up = true;
  v.result.hung_up_at_first_byte = true;
}

void StopTheLine(DoorRun& run) {
  termios mode{};
  tcgetattr(run.master, &mode);  // on a pty master, the door's side
  mode.c_iflag |= IXON;
  tcsetattr(run.master, TCSANOW, &mode);
  SendKeys(run, "\x13");
}

void Command(Visit& v, char key, const std::string& name) {
  const auto started = std::chrono::steady_clock::now();
  Send(v, std::string(1, key));
  Await(v, {name + "\r\n"});
  const auto took = std::chrono::steady_clock::now() - started;
  v.result.echo_us.push_back(std::chrono::duration_cast<std::chrono::microseconds>(took).count());
  ++v.result.actions;
}

int Pick(Visit& v, int count) {
  return std::uniform_int_distribution<int>(0, count - 1)(v.rng);
}

int64_t LeadingNumber(const std::string& text) {
  static const std::regex kNumber("^-?\\d{1,10}");
  std::smatch match;
  return std::regex_search(text, match, kNumber) ? std::stoll(match[0]) : 0;
}

bool IsTarget(const VisitPlan& plan, const std::string& pimp) {
  if (plan.targets.empty()) return true;
  return std::find(plan.targets.begin(), plan.targets.end(), CallerOfPimp(pimp)) != plan.targets.end();
}

std::string SelectRival(Visit& v) {
  if (Await(v, {"Show Roster [Y/N] ", "There are no other pimps playing this game."}) == 1) {
    return "";
  }
  Send(v, "y");
  // A roster longer than a screen pauses after each: the script reads it all.
  std::string roster;
  while (Await(v, {"[PIMP ROSTER]: ", "[ENTER for more]"}) == 1) {
    roster += v.segment;
    Send(v, "\r");
  }
  roster += v.segment;
  // The first row after a pause follows the prompt's erasing backspaces.
  static const std::regex kRow("(?:\r\n|\x08)(\\d+)\\] ([^\r]*)");
  std::vector<std::pair<std::string, std::string>> rows;
  for (std::sregex_iterator it(roster.begin(), roster.end(), kRow), end; it != end; ++it) {
    if (IsTarget(v.plan, (*it)[2])) rows.emplace_back((*it)[1], (*it)[2]);
  }
  if (rows.empty()) {
    Send(v, "\r");
    return "";
  }
  const auto& row = rows[static_cast<size_t>(Pick(v, static_cast<int>(rows.size())))];
  Send(v, row.first + "\r", Key::kAnswer);
  return row.second;
}

namespace {

std::string AliasOfPimp(const std::string& pimp) {
  const int caller = CallerOfPimp(pimp);
  return caller < 0 ? "?" + pimp : CallerAlias(caller);
}

void Cause(Visit& v, const std::string& to, const std::string& line1) {
  v.result.caused.push_back({to, line1});
}

void Examine(Visit& v) {
  Command(v, 'e', "Examine Another Pimp");
  if (SelectRival(v).empty()) return;
  Await(v, {"Bulletin Board Alias : "});
  Await(v, {"\r\n"});
  Cause(v, v.segment, CallerPimp(v.plan.caller) + " spied on you.");
}

void Steal(Visit& v) {
  Command(v, 't', "Steal from Another Pimp");
  if (Await(v, {"Select pimp to steal from :", "There are no rival pimps to steal from."}) == 1) {
    return;
  }
  const std::string victim = SelectRival(v);
  if (victim.empty()) return;
  if (Await(v, {"or [Q]uit : ", "He has no money"}) == 1) return;
  if (v.segment.find("[M]oney") == std::string::npos) {
    Send(v, "q");
    return;
  }
  Send(v, "m");
  // "He has no ...": his money went to another thief while this one chose.
  switch (Await(v, {"the wallet and find $", "absolutley nothing.", "you have to quickly run off.",
                    "and then quickly run off.", "He has no"})) {
    case 0:
      Await(v, {".\r\n"});
      Cause(v, AliasOfPimp(victim), "Someone stole $" + v.segment + " from you.");
      break;
    case 3:
      Cause(v, AliasOfPimp(victim), CallerPimp(v.plan.caller) + " tried to steal some money from you.");
      break;
    default:
      break;
  }
}

void Firebomb(Visit& v) {
  Command(v, 'f', "Firebomb Whore House");
  if (Await(v, {"Select pimp to firebomb :", "There are no rival pimps to firebomb."}) == 1) return;
  const std::string victim = SelectRival(v);
  if (victim.empty()) return;
  if (Await(v, {"went up in flames", "never ignited correctly", "doesn't have a whore house"}) == 0) {
    Cause(v, AliasOfPimp(victim), kFirebombNews);
  }
}

}  // namespace

void AtSheinens(Visit& v, const std::function<void()>& action) {
  Command(v, 'g', "Go to Flaming Sheinen's");
  Await(v, {kSheinens});
  action();
  Await(v, {kSheinens});
  Command(v, 'r', "Return to Streets");
}

namespace {

void PoliceTip(Visit& v) {
  AtSheinens(v, [&] {
    Command(v, 'p', "Police Tip");
    if (!SelectRival(v).empty()) Await(v, {"fined $", "hoax"});
  });
}

}  // namespace

void TalkToWomen(Visit& v) {
  AtSheinens(v, [&] {
    Command(v, 't', "Talk to Women Here");
    // The refusals quote her too; a tie in position goes to the first needle.
    if (Await(v, {"even talk to you", "says, \"Sure", "says, \"", "You already have 20 whores"}) == 1) {
      v.result.moved.push_back({0, v.plan.caller, 0, 1, false});
    }
  });
}

namespace {

void SetUpHouse(Visit& v) {
  Command(v, 'm', "Move to Another Street");
  Await(v, {"Move to Which Street [1-99] : "});
  Send(v, std::to_string(1 + Pick(v, 12)) + "\r");
  Await(v, {kStreet});
  Command(v, 's', "Set Up Whore House");
  if (Await(v, {"? [Y/N] ", "You do not have enough money."}) == 0) Send(v, "y");
}

void Shop(Visit& v) {
  Command(v, 'v', "Visit Stiff Pete");
  Await(v, {kPetes});
  Command(v, 'p', "Purchase Condoms");
  if (Await(v, {"Max] : ", "no condoms for sale."}) == 0) Send(v, "1\r");
  Await(v, {kPetes});
  Command(v, 'b', "Buy New Clothes");
  if (Await(v, {"Do you want to buy it? [Y/N] ", "that much money", "nothing to offer"}) == 0) {
    Send(v, "y");
  }
  Await(v, {kPetes});
  Command(v, 'r', "Return to Streets");
}

void Casino(Visit& v) {
  Command(v, 'c', "Kordavin Casino");
  if (Await(v, {kCasino, "Come to the casino tomorrow"}) == 1) return;
  Command(v, 's', "Slot Machine");
  if (Await(v, {" MAX]: ", "not have enough money to play"}) == 0) {
    Send(v, "1\r");
    // Robbed while he typed, he is asked again and leaves.
    if (Await(v, {"You win $", "You lose $", " MAX]: "}) == 2) Send(v, "0\r");
  }
  if (Await(v, {kCasino, kStreet}) == 1) {
    v.mark -= kStreet.size();  // out of cash: already back on the street
    return;
  }
  Command(v, 'r', "Return to Streets");
}

void Rankings(Visit& v) {
  Command(v, 'p', "Player Rankings");
  while (Await(v, {kPause, "Note : Daily Profit"}) == 0) Send(v, "\r");
}

void RunAction(Visit& v) {
  static const std::function<void(Visit&)> kActions[] = {
      Examine, Steal, Firebomb, PoliceTip, TalkToWomen, SetUpHouse, Shop, Casino, Rankings};
  if (v.plan.fair_mix) {
    RunFairAction(v);
  } else {
    kActions[Pick(v, static_cast<int>(std::size(kActions)))](v);
  }
  Await(v, {kStreet});
}

void ReachStreet(Visit& v) {
  Await(v, {"Do you want ANSI graphics? [Y/N] "});
  Send(v, "n");
  for (;;) {
    switch (Await(v, {"Would you like to play? [Y/N] ", "Enter your Pimp Name : ", kPause, kStreet})) {
      case 0:
        v.result.joined = true;
        Send(v, "y");
        break;
      case 1:
        if (v.plan.before_pimp_name) v.plan.before_pimp_name();
        Send(v, (v.plan.pimp.empty() ? CallerPimp(v.plan.caller) : v.plan.pimp) + "\r");
        break;
      case 2:
        Send(v, "\r");
        break;
      default:
        v.result.at_menu = true;
        return;
    }
  }
}

void QuitAndExit(Visit& v) {
  Command(v, 'q', "Quit");
  Await(v, {"Are you sure you want to quit? [Y/N] "});
  Send(v, "y");
}

// After a quit or the day's end the door pauses once, then exits.
void FinishSession(Visit& v) {
  Await(v, {kPause});
  Send(v, "\r");
  const int code = WaitForExit(v.run, v.plan.wait_ms);
  v.result.clean_end = code == 0;
  if (code != 0) v.result.failure = "exit " + std::to_string(code);
}

}  // namespace

std::string CallerAlias(int caller) { return "Load Caller " + std::to_string(caller); }
std::string CallerPimp(int caller) { return "Pimp " + std::to_string(caller); }

int CallerOfPimp(const std::string& pimp) {
  static const std::regex kPimp("Pimp (\\d{1,6})");
  std::smatch match;
  if (!std::regex_match(pimp, match, kPimp)) return -1;
  return std::stoi(match[1]);
}

bool WaitForKeyWait(pid_t pid, int timeout_ms) {
  return WaitForSyscall(pid, [](long call) {
#ifdef SYS_poll
    if (call == SYS_poll) return true;
#endif
    return call == SYS_ppoll;
  }, timeout_ms);
}

bool WaitForStalledWrite(pid_t pid, int timeout_ms) {
  return WaitForSyscall(pid, [](long call) { return call == SYS_write; }, timeout_ms);
}

int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

VisitResult RunVisit(const VisitPlan& plan, std::mt19937& rng, DoorRun& run) {
  VisitResult result;
  const std::string drop = "node" + std::to_string(plan.node) + ".door32.sys";
  WriteDoorFile(plan.dir, drop, Door32For(CallerAlias(plan.caller)));
  if (!StartDoorFromThread(run, plan.dir, {plan.dir + "/" + drop, std::to_string(plan.node)},
                           plan.fake_time)) {
    result.failure = "could not start";
    return result;
  }
  Visit v{plan, rng, run, result, 0, "", 0};
  try {
    ReachStreet(v);
    if (plan.stalled_theft_from != 0) {
      StalledTheft(v, plan.stalled_theft_from);
      Await(v, {kStreet});
    }
    if (plan.script) {
      plan.script(v);
    } else {
      for (int i = 0; i < plan.actions; ++i) RunAction(v);
      QuitAndExit(v);
    }
    FinishSession(v);
  } catch (const ScriptStop& stop) {
    if (stop.why == "stopped") {
      result.stopped = true;
    } else if (stop.why == "day over") {
      try {
        FinishSession(v);
      } catch (const ScriptStop& late) {
        result.stopped = late.why == "stopped";
        if (!result.stopped) result.failure = "after the day's end: " + late.why;
      }
    } else {
      result.failure = stop.why;
    }
  }
  result.output = run.output;
  return result;
}

std::vector<std::string> ShownNews(const std::string& output) {
  std::vector<std::string> shown;
  const std::string heading = "Last Night, Theses Things Happened\r\n";
  for (size_t at = output.find(heading); at != std::string::npos;
       at = output.find(heading, at + 1)) {
    size_t line = output.find("\r\n", at + heading.size()) + 2;  // past the rule
    while (output.compare(line, 2, "- ") == 0 || output.compare(line, 2, "  ") == 0) {
      const size_t end = output.find("\r\n", line);
      if (end == std::string::npos) break;
      if (output[line] == '-') shown.push_back(output.substr(line + 2, end - line - 2));
      line = end + 2;
    }
  }
  return shown;
}

std::string NewsKey(const std::string& line1) {
  if (line1.compare(0, kFirebombNews.size(), kFirebombNews) == 0) return kFirebombNews;
  return line1;
}
