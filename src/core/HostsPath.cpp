#include "core/HostsPath.h"

namespace velmora {

std::string windowsHostsPath(bool isNt, const std::string& windowsFolder, const std::string& systemFolder) {
    return isNt ? systemFolder + "\\DRIVERS\\ETC\\HOSTS" : windowsFolder + "\\HOSTS";
}

std::string hostsFilePath(Environment& environment) {
    std::string overridden = environment.variable("VELMORA_HOSTS");
    if (!overridden.empty())
        return overridden;
#ifdef _WIN32
    const bool nt = environment.isNt();
    return windowsHostsPath(nt, nt ? std::string() : environment.windowsDirectory(),
                            nt ? environment.systemDirectory() : std::string());
#else
    return "/etc/hosts";
#endif
}

} // namespace velmora
