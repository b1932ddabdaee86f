// What the built velmora.exe carries for Windows itself: the icon Explorer and the Start menu show,
// the version information of its properties, and the manifest (the invoker's rights, nothing more;
// long paths; the current common controls); and a release build without its symbols.
#include "platform/WindowsText.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <windows.h>

namespace velmora {
namespace {

// The program's resources, read as data without running it.
class ProgramResources {
public:
    ProgramResources()
        : m_module(LoadLibraryExW(wideText(VELMORA_BINARY).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ProgramResources() {
        if (m_module)
            FreeLibrary(m_module);
    }
    bool loaded() const { return m_module != nullptr; }
    std::string bytes(const wchar_t* type, const wchar_t* name) const {
        const HRSRC found = FindResourceW(m_module, name, type);
        const HGLOBAL data = found ? LoadResource(m_module, found) : nullptr;
        if (!data)
            return {};
        return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(m_module, found));
    }

private:
    HMODULE m_module;
};

std::string versionText(const wchar_t* name) {
    const std::wstring file = wideText(VELMORA_BINARY);
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(file.c_str(), &ignored));
    if (info.empty() || !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data()))
        return {};
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0)
        return {};
    return utf8Text(std::wstring_view(value, length - 1));
}

TEST(WindowsProgram, CarriesIconVersionAndManifest) {
    const ProgramResources resources;
    ASSERT_TRUE(resources.loaded());
    // The icon group: a header and one entry for each of the six sizes.
    const std::string icons = resources.bytes(MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEW(1));
    ASSERT_GE(icons.size(), 6u);
    EXPECT_EQ(static_cast<unsigned char>(icons[4]), 6u) << "16, 32, 48, 64, 128 and 256 pixels";

    EXPECT_EQ(versionText(L"ProductName"), "Velmora");
    EXPECT_EQ(versionText(L"FileVersion"), VELMORA_PROJECT_VERSION);
    EXPECT_EQ(versionText(L"OriginalFilename"), "velmora.exe");

    const std::string manifest = resources.bytes(MAKEINTRESOURCEW(24) /* RT_MANIFEST */, MAKEINTRESOURCEW(1));
    for (const char* part : {"<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
                             "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true"
                             "</longPathAware>",
                             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

// A release build leaves its symbols out: the COFF header names no symbol table.
TEST(WindowsProgram, ReleaseBuildIsStripped) {
    std::ifstream in(wideText(VELMORA_BINARY).c_str(), std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const auto word = [&](size_t at) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(head[at + static_cast<size_t>(i)]);
        return value;
    };
    const uint32_t pe = word(0x3c); // where "PE\0\0" and the COFF header begin
    ASSERT_LT(pe + 24, head.size());
    ASSERT_EQ(head.substr(pe, 4), std::string("PE\0\0", 4));
    const uint32_t symbols = word(pe + 4 + 12); // NumberOfSymbols
    EXPECT_EQ(symbols == 0, VELMORA_RELEASE_BUILD == 1) << symbols << " symbols";
}

} // namespace
} // namespace velmora
