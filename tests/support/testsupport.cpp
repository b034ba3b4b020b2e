#include "support/testsupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace corvane::test {

namespace {

void MakeWritable(const fs::path& root) {
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    if (!fs::is_directory(root, ec) || fs::is_symlink(root, ec)) {
        return;
    }
    for (auto it = fs::recursive_directory_iterator(
             root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "corvane-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    MakeWritable(path_);
    fs::remove_all(path_, ec);
}

ScopedCurrentDirectory::ScopedCurrentDirectory() : saved_(fs::current_path().string()) {}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    std::error_code ec;
    fs::current_path(saved_, ec);
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string HelperPath(const std::string& name) {
    return std::string(CORVANE_TEST_HELPER_DIR) + "/" + name;
}

void InstallHelper(const std::string& name, const std::string& folder, const std::string& as) {
    const fs::path target = fs::path(folder) / as;
    fs::copy_file(HelperPath(name), target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

}  // namespace corvane::test
