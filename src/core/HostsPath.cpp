#include "core/HostsPath.h"

namespace velmora {

std::string windowsHostsPath(bool isNt, const std::string& windowsFolder, const std::string& systemFolder) {
    return isNt ? systemFolder + "\\DRIVERS\\ETC\\HOSTS" : windowsFolder + "\\HOSTS";
}

std::string windowsHostsPath(Environment& environment) {
    const bool nt = (environment.windowsVersion() & 0x80000000u) == 0;
    return windowsHostsPath(nt, nt ? std::string() : environment.windowsDirectory(),
                            nt ? environment.systemDirectory() : std::string());
}

std::string systemHostsPath([[maybe_unused]] Environment& environment) {
#ifdef _WIN32
    return windowsHostsPath(environment);
#else
    return "/etc/hosts";
#endif
}

std::string hostsFilePath(Environment& environment) {
    std::string overridden = environment.variable("VELMORA_HOSTS");
    return overridden.empty() ? systemHostsPath(environment) : overridden;
}

} // namespace velmora
