#pragma once

#include <dirent.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cmdline.h"
#include "platform/consolesink.h"
#include "support/testsupport.h"

namespace corvane::test {

// The environment variable that makes the testchild helper record its
// executable, working directory and arguments instead of running commands.
inline constexpr const char* kRecordVariable = "CORVANE_TESTCHILD_RECORD";

inline std::string Quoted(const std::string& text) {
    return "\"" + EscapeQuoted(text) + "\"";
}

// A command line starting the testchild helper with `args`, each quoted.
inline std::string HelperLine(const std::vector<std::string>& args) {
    std::string line = Quoted(HelperPath("testchild"));
    for (const std::string& arg : args) {
        line += " " + Quoted(arg);
    }
    return line;
}

struct ChildRecord {
    std::string exe;
    std::string cwd;
    std::vector<std::string> args;
};

inline std::string Unhex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

inline std::optional<ChildRecord> ReadRecord(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    ChildRecord record;
    std::string key;
    std::string value;
    while (in >> key) {
        value.clear();
        if (in.peek() == ' ') {
            in.get();
        }
        std::getline(in, value);
        if (key == "exe") {
            record.exe = Unhex(value);
        } else if (key == "cwd") {
            record.cwd = Unhex(value);
        } else if (key == "arg") {
            record.args.push_back(Unhex(value));
        }
    }
    return record;
}

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            saved_ = old;
        }
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (saved_) {
            ::setenv(name_.c_str(), saved_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Children of this process that have ended and were never reaped.
inline std::vector<pid_t> ZombieChildren() {
    std::vector<pid_t> zombies;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return zombies;
    }
    while (dirent* entry = ::readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat("/proc/" + name + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t end = text.rfind(')');
        if (end == std::string::npos) {
            continue;
        }
        std::istringstream rest(text.substr(end + 1));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        if (state == 'Z' && parent == ::getpid()) {
            zombies.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    ::closedir(proc);
    return zombies;
}

// True when no process (not even a zombie) holds `pid` any more.
inline bool ProcessGone(pid_t pid) {
    return ::kill(pid, 0) < 0 && errno == ESRCH;
}

// A console that keeps what it receives, with a record that outlives it.
struct ConsoleRecord {
    std::vector<std::string> opened;  // the command line of each console
    std::string received;
    int open = 0;
};

class CollectingConsole : public ConsoleSink {
public:
    explicit CollectingConsole(std::shared_ptr<ConsoleRecord> record) : record_(std::move(record)) {
        ++record_->open;
    }
    ~CollectingConsole() override { --record_->open; }
    void Append(std::string_view bytes) override { record_->received += bytes; }

private:
    std::shared_ptr<ConsoleRecord> record_;
};

inline ConsoleFactory CollectingFactory(const std::shared_ptr<ConsoleRecord>& record) {
    return [record](const std::string& commandLine) {
        record->opened.push_back(commandLine);
        return std::make_unique<CollectingConsole>(record);
    };
}

}  // namespace corvane::test
