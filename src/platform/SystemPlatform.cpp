#include "platform/Platform.h"

namespace velmora {

Platform& systemPlatformDefault();

namespace {
Platform* g_override = nullptr;
}

Platform& systemPlatform() { return g_override ? *g_override : systemPlatformDefault(); }

void setSystemPlatform(Platform* platform) { g_override = platform; }

} // namespace velmora
