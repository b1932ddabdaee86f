#pragma once

#include "platform/Environment.h"
#include "platform/FileSystem.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace velmora {

// What the privileged helper works with.
struct SaveHelperSystem {
    FileSystem& files;
    Environment& environment;
    std::string systemHosts; // the only file it writes when pkexec started it
    int lockWaitMs = 30000;
    int input = 0;         // where the bytes come from: standard input, or the runner's pipe on Windows
    bool elevated = false; // Windows: started as administrator (through the UAC prompt), as by pkexec
};

// The privileged helper, run as root through pkexec:
//   velmora-save-hosts --length N --sha256 HEX [--replaces HEX] [--hosts PATH]
// It reads exactly N bytes from standard input and refuses them unless their SHA-256 is HEX. It
// writes the system HOSTS file, never a file its caller names: when pkexec started it (PKEXEC_UID is
// set) or it runs elevated, --hosts is refused and VELMORA_HOSTS ignored; only a run without pkexec,
// which has no more rights than its caller, may name another file (--hosts, else VELMORA_HOSTS). It takes the lock
// beside the file, finishes what a killed run left, and with --replaces saves only over a file whose
// SHA-256 is that HEX. The save is the core's: backup, atomic replace, owner and mode kept.
// Returns the exit status (HelperExit); every refusal and failure is one line on err.
int runSaveHelper(const std::vector<std::string>& arguments, SaveHelperSystem& system, std::ostream& err);

} // namespace velmora
