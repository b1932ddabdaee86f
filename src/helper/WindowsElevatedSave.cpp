#include "helper/WindowsElevatedSave.h"

#include "core/HostsFile.h"
#include "core/HostsPath.h"
#include "core/PrivilegedSave.h"
#include "platform/WindowsProcessRunner.h"

#include <iostream>
#include <sstream>

namespace velmora {

int runElevatedSave(const std::vector<std::string>& arguments, SaveHelperSystem& system) {
    std::vector<std::string> request;
    std::string pipe;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == kAdministratorPipeOption && i + 1 < arguments.size() && pipe.empty())
            pipe = arguments[++i];
        else
            request.push_back(arguments[i]);
    }
    // Without its pipes nobody would hear it: the console of an elevated copy is hidden.
    const AdministratorPipes pipes = connectAdministratorPipes(pipe);
    if (pipes.error != 0) {
        std::cerr << "Refused: no pipe " << pipe << " to take the list from: " << system.files.errorText(pipes.error)
                  << "." << std::endl;
        return kHelperRefused;
    }
    system.input = pipes.input;
    system.elevated = true;
    std::ostringstream said;
    const int status = runSaveHelper(request, system, said);
    writeAll(system.files, pipes.output, said.str());
    system.files.close(pipes.output);
    system.files.close(pipes.input);
    return status;
}

int runElevatedSaveOfThisSystem(const std::vector<std::string>& arguments) {
    Environment& environment = systemEnvironment();
    SaveHelperSystem system{systemFileSystem(), environment, systemHostsPath(environment)};
    return runElevatedSave(arguments, system);
}

} // namespace velmora
