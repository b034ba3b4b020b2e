#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvane::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it (read-only parts included) when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string Child(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Restores the process's current directory when it goes.
class ScopedCurrentDirectory {
public:
    ScopedCurrentDirectory();
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::string saved_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);

// The names in a folder, sorted by bytes.
std::vector<std::string> Names(const std::string& folder);

// Full path of a helper program built with the tests.
std::string HelperPath(const std::string& name);

// Copies a helper program to `folder/as`, executable.
void InstallHelper(const std::string& name, const std::string& folder, const std::string& as);

// The temporary HOME that the test main gives every test process.
const std::string& TestHome();

}  // namespace corvane::test
