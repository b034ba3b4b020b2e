// A stand-in encoder for the process tests. Its arguments are commands, run in
// order:
//   sleep MS            exit N              raise SIGNAL
//   print TEXT N        eprint TEXT N       (TEXT N times to stdout / stderr)
//   grandchild MS FILE  (a child of its own that sleeps MS; its pid to FILE)
//   ignore-term         pid FILE
//   priority FILE       ("NICE POLICY")
//   fds FILE            (one "FD TARGET" line per open descriptor)
//   signals FILE        (the SigBlk and SigIgn lines of /proc/self/status)
// With CORVANE_TESTCHILD_RECORD set, it instead writes the executable, the
// working directory and every argument, hex-encoded, to the file it names and
// ends with 0, so that any command line can be checked. Files are written
// whole under a temporary name and renamed, so a reader never sees half of one.
#include <dirent.h>
#include <limits.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

void WriteWhole(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
    }
    std::rename(temporary.c_str(), path.c_str());
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

std::string Link(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    return length < 0 ? std::string("?") : std::string(target, static_cast<size_t>(length));
}

void WriteRepeated(int fd, const std::string& text, long times) {
    for (long i = 0; i < times; ++i) {
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                std::exit(3);
            }
            done += static_cast<size_t>(n);
        }
    }
}

void SleepMs(long ms) {
    timespec rest{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&rest, &rest) < 0 && errno == EINTR) {
    }
}

std::string OpenDescriptors() {
    std::ostringstream out;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return "?";
    }
    const int own = ::dirfd(dir);
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const int fd = std::atoi(entry->d_name);
        if (fd != own) {
            out << fd << ' ' << Link(std::string("/proc/self/fd/") + entry->d_name) << '\n';
        }
    }
    ::closedir(dir);
    return out.str();
}

std::string SignalState() {
    std::ifstream status("/proc/self/status");
    std::string line;
    std::string found;
    while (std::getline(status, line)) {
        if (line.rfind("SigBlk:", 0) == 0 || line.rfind("SigIgn:", 0) == 0) {
            found += line + '\n';
        }
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* record = std::getenv("CORVANE_TESTCHILD_RECORD")) {
        char cwd[PATH_MAX];
        std::string text = "exe " + Hex(Link("/proc/self/exe")) + "\n";
        text += "cwd " + Hex(::getcwd(cwd, sizeof cwd) ? cwd : "?") + "\n";
        for (int a = 0; a < argc; ++a) {
            text += "arg " + Hex(argv[a]) + "\n";
        }
        WriteWhole(record, text);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string command = argv[i];
        const auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "testchild: %s lacks an argument\n", command.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (command == "sleep") {
            SleepMs(std::atol(next().c_str()));
        } else if (command == "exit") {
            return std::atoi(next().c_str());
        } else if (command == "raise") {
            ::raise(std::atoi(next().c_str()));
        } else if (command == "print" || command == "eprint") {
            const std::string text = next();
            WriteRepeated(command == "print" ? 1 : 2, text, std::atol(next().c_str()));
        } else if (command == "grandchild") {
            const long ms = std::atol(next().c_str());
            const std::string file = next();
            const pid_t pid = ::fork();
            if (pid == 0) {
                SleepMs(ms);
                ::_exit(0);
            }
            WriteWhole(file, std::to_string(pid));
        } else if (command == "ignore-term") {
            ::signal(SIGTERM, SIG_IGN);
        } else if (command == "pid") {
            WriteWhole(next(), std::to_string(::getpid()));
        } else if (command == "priority") {
            errno = 0;
            const int nice = ::getpriority(PRIO_PROCESS, 0);
            WriteWhole(next(),
                       std::to_string(nice) + " " + std::to_string(::sched_getscheduler(0)));
        } else if (command == "fds") {
            WriteWhole(next(), OpenDescriptors());
        } else if (command == "signals") {
            WriteWhole(next(), SignalState());
        } else {
            std::fprintf(stderr, "testchild: unknown command %s\n", command.c_str());
            return 2;
        }
    }
    return 0;
}
