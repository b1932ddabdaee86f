#pragma once

#include <string>
#include <vector>

namespace velmora::test {

// What a finished run of the velmora program left behind.
struct ProcessResult {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the built velmora program with arguments, as a script or cron would: no display (DISPLAY and
// WAYLAND_DISPLAY removed, and Qt told to use X so that starting it would fail), standard input from
// /dev/null, VELMORA_HOSTS set to hostsPath, and extraEnvironment ("NAME=value") added. Output is collected through
// files in workDir.
ProcessResult runVelmora(const std::vector<std::string>& arguments, const std::string& hostsPath,
                         const std::string& workDir, const std::vector<std::string>& extraEnvironment = {});

} // namespace velmora::test
