#pragma once

#include "platform/Platform.h"

#include <string>

namespace velmora {

// True on the NT family of Windows.
bool IsNt(Platform& platform);
// The Windows (system) directory followed by "\"; just "\" when the query fails.
std::string GetWinDir(Platform& platform);
std::string GetSysDir(Platform& platform);

// The HOSTS path by the Windows rules: on NT the system directory + "DRIVERS\ETC\HOSTS", elsewhere
// the Windows directory + "HOSTS".
std::string windowsHostsPath(bool isNt, const std::string& winDir, const std::string& sysDir);

// The HOSTS file of the running system, built afresh on every call: VELMORA_HOSTS when it is set and
// not empty; otherwise the Windows rules on Windows and /etc/hosts elsewhere.
std::string GetHOSTSPath(Platform& platform);

} // namespace velmora
