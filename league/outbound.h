// Files queued for other boards through a Binkley-style outbound, as every
// binkp mailer reads it: one flow file per destination naming the files to
// send, guarded by a busy flag while it is changed.
#pragma once

#include <string>

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

// Adds "^path" (send, then delete) to the destination's flow file, holding
// its busy flag meanwhile; waits up to wait_ms for a mailer's session with
// that destination to end. path must be absolute.
bool QueueFileFor(const std::string& outbound, int own_zone, const FtnAddress& to,
                  const std::string& path, int wait_ms, std::string& error);
