#pragma once

#include <filesystem>
#include <string>

namespace velmora::test {

// A fresh folder under the system's temporary folder, removed with everything in it when destroyed.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Whole-file helpers for fixtures, on UTF-8 names; readFile returns "<missing>" for a file that cannot be read.
std::filesystem::path nativePath(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

} // namespace velmora::test
