#include "core/HostsPath.h"

namespace velmora {

std::string windowsHostsPath(bool isNt, const std::string& windowsFolder, const std::string& systemFolder) {
    return isNt ? systemFolder + "\\DRIVERS\\ETC\\HOSTS" : windowsFolder + "\\HOSTS";
}

std::string systemHostsPath([[maybe_unused]] Environment& environment) {
#ifdef _WIN32
    const bool nt = environment.isNt();
    return windowsHostsPath(nt, nt ? std::string() : environment.windowsDirectory(),
                            nt ? environment.systemDirectory() : std::string());
#else
    return "/etc/hosts";
#endif
}

std::string hostsFilePath(Environment& environment) {
    std::string overridden = environment.variable("VELMORA_HOSTS");
    return overridden.empty() ? systemHostsPath(environment) : overridden;
}

} // namespace velmora
