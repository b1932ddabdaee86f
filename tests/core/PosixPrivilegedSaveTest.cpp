#include "core/PrivilegedSave.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

// A tree installed under any prefix runs the helper beside it, never the configured one; without the
// program's folder nothing is offered.
TEST(InstalledHelperPath, FoundFromTheProgramsFolder) {
    const struct {
        const char* folder;
        const char* fromProgram;
        const char* helper;
    } cases[] = {
        {"/usr/bin", "../libexec/velmora/velmora-save-hosts", "/usr/libexec/velmora/velmora-save-hosts"},
        {"/tmp/tree/bin", "../libexec/velmora/velmora-save-hosts", "/tmp/tree/libexec/velmora/velmora-save-hosts"},
        {"/opt/v/bin/", "../lib/x86_64-linux-gnu/velmora/h", "/opt/v/lib/x86_64-linux-gnu/velmora/h"},
        {"/opt/v/bin", "/usr/libexec/velmora/h", "/usr/libexec/velmora/h"},
        {"", "../libexec/velmora/velmora-save-hosts", ""},
        {"/usr/bin", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(installedHelperPath(c.folder, c.fromProgram), c.helper) << c.folder << " + " << c.fromProgram;
}

} // namespace
} // namespace velmora
