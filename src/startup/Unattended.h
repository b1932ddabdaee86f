#pragma once

#include "startup/CommandLine.h"
#include "startup/HostsSession.h"

#include <iosfwd>

namespace velmora {

// The exit statuses of a run.
enum ExitStatus : int {
    kExitDone = 0,   // done, nothing to do, or declined at the question
    kExitFailed = 1, // the HOSTS file could not be read or saved (the user interface has said why), or no display
    kExitUsage = 2,  // a mistake in the option form
};

// Runs the unattended mode of command (Add, RemoveAll or Remove) on a fresh session and returns the
// exit status. Questions, notices, progress and a failed save go through the session's user
// interface; in the option form a mistake goes to err as one line and a successful change is
// summed up on out as one line. The classic form writes nothing to either stream. Any other mode
// returns kExitUsage without doing anything.
int runUnattended(const CommandLine& command, HostsSession& session, std::ostream& out, std::ostream& err);

} // namespace velmora
