#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace velmora::test {

TempDir::TempDir() {
#ifdef _WIN32
    // No mkdtemp: a name of this process's own, with forward slashes as the tests join names with them.
    // Process numbers come round again (under wine soon), so a folder that an earlier run left is passed
    // over.
    static int count = 0;
    std::filesystem::path path;
    for (int tries = 0;; ++tries) {
        path = std::filesystem::temp_directory_path() /
               ("velmora-test-" + std::to_string(_getpid()) + "-" + std::to_string(count++));
        if (std::filesystem::create_directory(path))
            break;
        if (tries == 100)
            throw std::runtime_error("no fresh temporary folder");
    }
    m_path = path.generic_string();
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
#endif
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

// Names are UTF-8, which Windows takes only through the wide-character calls.
std::filesystem::path nativePath(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(nativePath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in)
        return "<missing>";
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace velmora::test
