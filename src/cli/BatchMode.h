#pragma once

#include "cli/CommandLine.h"
#include "document/HostsDocument.h"

#include <iosfwd>

namespace velmora {

// The exit statuses of a run.
enum ExitStatus : int {
    kExitDone = 0,   // done, nothing to do, or declined at the question
    kExitFailed = 1, // the HOSTS file could not be read or saved (the user interface has said why), or no display
    kExitUsage = 2,  // a mistake in the option form
};

// Runs the batch mode of command (Add, RemoveAll or Remove) on a fresh document and returns the exit
// status. Questions, notices, progress and a failed save go through the document's user interface;
// in the option form a mistake goes to err as one line and a successful change is summed up on out
// as one line. The classic form writes nothing to either stream. Any other mode returns kExitUsage
// without doing anything.
int runBatchMode(const CommandLine& command, HostsDocument& document, std::ostream& out, std::ostream& err);

} // namespace velmora
