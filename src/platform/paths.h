#pragma once

#include <optional>
#include <string>

namespace corvane {

// The platform's path separator; the folder texts and command lines use it.
inline constexpr char kPathSeparator = '/';

// Full path of the running executable (/proc/self/exe), bytes as the kernel gives them.
std::string ExecutablePath();

// Folder holding the running executable, without a trailing separator (except "/").
std::string ExecutableFolder();

// The process's current directory as the platform reports it, or nothing when
// it cannot be read (removed under us).
std::optional<std::string> CurrentDirectory();

// Makes `folder` the current directory; returns 0 or the errno of the failure.
int ChangeDirectory(const std::string& folder);

}  // namespace corvane
