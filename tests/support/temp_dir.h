#pragma once

#include <string>

namespace test_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

    // A folder in which no file can be created. Root creates files even in a folder without
    // write permission, so for root it is /proc/self, where nobody can; otherwise a new
    // read-only folder in this one. Empty when it could not be made.
    std::string unwritableFolder() const;

    // Whole-file helpers for settings files and fixtures.
    static void writeFile(const std::string& path, const std::string& bytes);
    static std::string readFile(const std::string& path);
    static bool exists(const std::string& path);

private:
    std::string m_path;
};

} // namespace test_support
