// The privileged helper: saves the system HOSTS file for the window, started through pkexec. On
// Windows, where velmora.exe is its own helper (helper/WindowsElevatedSave.h), only its build for tests
// is made from this file: the stand-in of velmora.exe --save-hosts.
#include "core/HostsPath.h"
#include "core/PrivilegedSave.h"
#include "helper/SaveHelper.h"
#ifdef _WIN32
#include "helper/WindowsElevatedSave.h"
#endif

#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

int main(int argc, char** argv) {
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
#endif
    velmora::Environment& environment = velmora::systemEnvironment();
#ifdef VELMORA_HELPER_FOR_TESTS
    // The build for tests is never installed: its system HOSTS file is the file this variable names,
    // and without one it refuses to run, so that no test can reach the real file through it.
    const char* standIn = std::getenv("VELMORA_TEST_SYSTEM_HOSTS");
    if (!standIn || !*standIn) {
        std::cerr << "Refused: this build for tests needs VELMORA_TEST_SYSTEM_HOSTS." << std::endl;
        return velmora::kHelperRefused;
    }
    const std::string systemHosts = standIn;
#else
    const std::string systemHosts = velmora::systemHostsPath(environment);
#endif
    velmora::SaveHelperSystem system{velmora::systemFileSystem(), environment, systemHosts};
    // The file is replaced only once the new one is whole: a helper that runs out of memory has written
    // nothing, and says so rather than aborting.
    try {
#ifdef _WIN32
        std::vector<std::string> arguments = velmora::programArguments(argc, argv);
        if (!arguments.empty() && arguments.front() == velmora::kElevatedSaveSwitch)
            arguments.erase(arguments.begin());
        return velmora::runElevatedSave(arguments, system);
#else
        const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        return velmora::runSaveHelper(arguments, system, std::cerr);
#endif
    } catch (const std::bad_alloc&) {
        std::cerr << "The helper ran out of memory; nothing was written." << std::endl;
    } catch (const std::exception& error) {
        std::cerr << "The helper met an internal error (" << error.what() << "); nothing was written." << std::endl;
    }
    return velmora::kHelperSaveFailed;
}
