#include "platform/paths.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace corvane {

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX);
    while (true) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const auto cut = path.rfind('/');
    if (cut == std::string::npos) {
        return {};
    }
    return cut == 0 ? std::string("/") : path.substr(0, cut);
}

std::optional<std::string> CurrentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return std::nullopt;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

int ChangeDirectory(const std::string& folder) {
    return ::chdir(folder.c_str()) == 0 ? 0 : errno;
}

}  // namespace corvane
