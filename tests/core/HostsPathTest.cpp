#include "core/HostsPath.h"
#include "platform/FakePlatform.h"

#include <gtest/gtest.h>

using namespace velmora;

TEST(HostsPath, WindowsRules) {
    EXPECT_EQ(windowsHostsPath(true, "", "C:\\WINDOWS\\system32\\"), "C:\\WINDOWS\\system32\\DRIVERS\\ETC\\HOSTS");
    EXPECT_EQ(windowsHostsPath(false, "C:\\WINDOWS\\", ""), "C:\\WINDOWS\\HOSTS");
    // A failed directory query leaves just the separator.
    FakePlatform platform;
    platform.winDir.clear();
    EXPECT_EQ(GetWinDir(platform), "\\");
    EXPECT_EQ(windowsHostsPath(false, GetWinDir(platform), ""), "\\HOSTS");
    EXPECT_EQ(GetSysDir(platform), "C:\\WINDOWS\\system32\\");
}

TEST(HostsPath, EnvironmentReplacesTheSystemPath) {
    FakePlatform platform;
    const std::string system = GetHOSTSPath(platform);
#ifdef _WIN32
    EXPECT_EQ(system, "C:\\WINDOWS\\system32\\DRIVERS\\ETC\\HOSTS");
#else
    EXPECT_EQ(system, "/etc/hosts");
#endif
    platform.env["VELMORA_HOSTS"] = "";
    EXPECT_EQ(GetHOSTSPath(platform), system);
    platform.env["VELMORA_HOSTS"] = "/tmp/some hosts";
    EXPECT_EQ(GetHOSTSPath(platform), "/tmp/some hosts");
}
