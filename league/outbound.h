// Files queued for other boards through a Binkley-style outbound, as every
// binkp mailer reads it: one flow file per destination naming the files to
// send, guarded by a busy flag while it is changed.
#pragma once

#include <string>
#include <vector>

#include "league/settings.h"

// The flow file ("<net><node>.flo" in hex) and the busy flag beside it for a
// destination: other zones in "<outbound>.<zone>", points in
// "<net><node>.pnt/<point>.flo".
struct FlowPaths {
  std::string dir;   // the directory holding both
  std::string flow;  // the .flo file
  std::string busy;  // the .bsy flag
};
FlowPaths FlowPathsFor(const std::string& outbound, int own_zone, const FtnAddress& to);

enum class Queued {
  kDone,    // every path is in the flow file
  kBusy,    // the mailer is in a session with the destination: nothing written
  kFailed,  // error says why
};

// Adds each path not in the destination's flow file yet as a plain line
// (send, and leave the file: it is held for other boards too) in one write,
// holding its busy flag meanwhile. A busy flag already up is not waited on:
// whatever is owed is offered again on the next run. Paths must be absolute.
Queued QueueFilesFor(const std::string& outbound, int own_zone, const FtnAddress& to,
                     const std::vector<std::string>& paths, std::string& error);
