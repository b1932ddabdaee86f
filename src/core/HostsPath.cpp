#include "core/HostsPath.h"

namespace velmora {

bool IsNt(Platform& platform) { return platform.isNt(); }

std::string GetWinDir(Platform& platform) { return platform.windowsDirectory() + "\\"; }

std::string GetSysDir(Platform& platform) { return platform.systemDirectory() + "\\"; }

std::string windowsHostsPath(bool isNt, const std::string& winDir, const std::string& sysDir) {
    return isNt ? sysDir + "DRIVERS\\ETC\\HOSTS" : winDir + "HOSTS";
}

std::string GetHOSTSPath(Platform& platform) {
    std::string overridden = platform.environment("VELMORA_HOSTS");
    if (!overridden.empty())
        return overridden;
#ifdef _WIN32
    const bool nt = IsNt(platform);
    return windowsHostsPath(nt, nt ? std::string() : GetWinDir(platform), nt ? GetSysDir(platform) : std::string());
#else
    return "/etc/hosts";
#endif
}

} // namespace velmora
