#pragma once

#include "platform/Environment.h"

#include <string>

namespace velmora {

// The HOSTS path by the Windows rules: on the NT family the system folder + "\DRIVERS\ETC\HOSTS",
// elsewhere the Windows folder + "\HOSTS". A folder that could not be found is empty, leaving "\…".
std::string windowsHostsPath(bool isNt, const std::string& windowsFolder, const std::string& systemFolder);
// The same, with the version and the folder the environment reports (only the folder the rule needs
// is asked for). A version with its top bit clear is of the NT family; Windows 95, 98 and Me set it.
std::string windowsHostsPath(Environment& environment);

// The system's own HOSTS file, whatever the environment says: the Windows rules on Windows and
// /etc/hosts elsewhere. The only file the privileged helper writes when pkexec started it.
std::string systemHostsPath(Environment& environment);

// The HOSTS file of the running system, built afresh on every call: VELMORA_HOSTS when it is set and
// not empty; otherwise systemHostsPath.
std::string hostsFilePath(Environment& environment);

} // namespace velmora
