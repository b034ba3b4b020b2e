#include "platform/childprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "platform/cmdline.h"
#include "platform/paths.h"

extern char** environ;

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// The child's standard descriptors are made by dup3 onto 0, 1 and 2, so every
// source must lie above them (ours may not when Corvane runs with one closed).
bool MoveAboveStandard(Descriptor& fd) {
    if (fd.Get() >= 3) {
        return true;
    }
    const int moved = ::fcntl(fd.Get(), F_DUPFD_CLOEXEC, 3);
    fd.Reset(moved);
    return moved >= 0;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

std::string InFolder(std::string_view folder, std::string_view name) {
    std::string path(folder.empty() ? std::string_view(".") : folder);
    if (path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

// Everything the child does between clone and execve, prepared by the parent:
// the child shares our memory and must neither allocate nor resolve symbols.
struct ChildPlan {
    long (*syscallFn)(long, ...) = nullptr;
    void (*exitFn)(int) = nullptr;
    const char* path = nullptr;
    char* const* argv = nullptr;
    char* const* envp = nullptr;
    int inputFd = -1;
    int outputFd = -1;
    int nice = 0;
    int permittedNice = 0;
    bool idle = false;
    long closeLimit = 0;
    struct sched_param idleParam {};
    volatile int error = 0;
};

struct KernelSigaction {
    void (*handler)(int);
    unsigned long flags;
    void (*restorer)();
    uint64_t mask;
};

constexpr int kSignalCount = 64;
constexpr long kSignalSetSize = sizeof(uint64_t);

#define CORVANE_CHILD_SIDE __attribute__((no_sanitize("address", "undefined")))

[[noreturn]] CORVANE_CHILD_SIDE void ChildFails(ChildPlan* plan) {
    plan->error = errno != 0 ? errno : EINVAL;
    plan->exitFn(127);
    __builtin_unreachable();
}

// Runs on its own small stack in the parent's memory until execve; it calls
// only the kernel, through pointers the parent resolved.
CORVANE_CHILD_SIDE int ChildMain(void* argument) {
    ChildPlan* plan = static_cast<ChildPlan*>(argument);
    const auto sys = plan->syscallFn;

    if (sys(SYS_setsid) < 0) {
        ChildFails(plan);
    }
    if (sys(SYS_setpriority, PRIO_PROCESS, 0, plan->nice) < 0) {
        if ((errno != EACCES && errno != EPERM) ||
            sys(SYS_setpriority, PRIO_PROCESS, 0, plan->permittedNice) < 0) {
            ChildFails(plan);
        }
    }
    if (plan->idle && sys(SYS_sched_setscheduler, 0, SCHED_IDLE, &plan->idleParam) < 0) {
        ChildFails(plan);
    }
    if (sys(SYS_dup3, plan->inputFd, 0, 0) < 0 || sys(SYS_dup3, plan->outputFd, 1, 0) < 0 ||
        sys(SYS_dup3, plan->outputFd, 2, 0) < 0) {
        ChildFails(plan);
    }
    if (sys(SYS_close_range, 3, ~0U, 0) < 0) {
        for (long fd = 3; fd < plan->closeLimit; ++fd) {
            sys(SYS_close, fd);
        }
    }
    // The child has handlers of its own (no CLONE_SIGHAND): none of ours may run
    // here, and the encoder starts with every signal at its default, unblocked.
    const KernelSigaction standard{SIG_DFL, 0, nullptr, 0};
    for (int signal = 1; signal <= kSignalCount; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) {
            sys(SYS_rt_sigaction, signal, &standard, nullptr, kSignalSetSize);
        }
    }
    const uint64_t noSignals = 0;
    sys(SYS_rt_sigprocmask, SIG_SETMASK, &noSignals, nullptr, kSignalSetSize);

    sys(SYS_execve, plan->path, plan->argv, plan->envp);
    ChildFails(plan);
}

constexpr size_t kChildStackSize = 64 * 1024;

struct Clone {
    pid_t pid = -1;
    int pidfd = -1;
    int error = 0;
};

Clone CloneChild(ChildPlan& plan, bool wantPidfd) {
    Clone result;
    void* stack = ::mmap(nullptr, kChildStackSize, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (stack == MAP_FAILED) {
        result.error = errno;
        return result;
    }
    sigset_t all;
    sigset_t previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    char* stackTop = static_cast<char*>(stack) + kChildStackSize;
    const int flags = CLONE_VM | CLONE_VFORK | SIGCHLD;
    errno = 0;
    if (wantPidfd) {
        result.pid = ::clone(ChildMain, stackTop, flags | CLONE_PIDFD, &plan, &result.pidfd);
        if (result.pid < 0 && errno == EINVAL) {
            result.pidfd = -1;
            errno = 0;
        }
    }
    if (result.pid < 0 && errno == 0) {
        result.pid = ::clone(ChildMain, stackTop, flags, &plan);
    }
    result.error = result.pid < 0 ? errno : 0;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::munmap(stack, kChildStackSize);
    return result;
}

pid_t WaitInterrupted(pid_t pid, int* status) {
    pid_t reaped;
    do {
        reaped = ::waitpid(pid, status, 0);
    } while (reaped < 0 && errno == EINTR);
    return reaped;
}

ChildStartResult Failure(int error) {
    return {nullptr, error};
}

}  // namespace

std::optional<NicePlan> NiceForPriorityClass(int32_t priorityClass) {
    switch (priorityClass) {
        case 64:
            return NicePlan{19, true};
        case 16384:
            return NicePlan{5, false};
        case 0:
        case 32:
            return NicePlan{0, false};
        case 32768:
            return NicePlan{-5, false};
        case 128:
            return NicePlan{-10, false};
        case 256:
            return NicePlan{-20, false};
        default:
            return std::nullopt;
    }
}

int StrongestPermittedNice(int requested, int current, rlim_t niceLimit) {
    const int floor = niceLimit >= 40 ? -20 : 20 - static_cast<int>(niceLimit);
    return std::max(requested, std::min(current, floor));
}

std::optional<std::string> FindProgram(std::string_view name, bool searchCurrentDirectory,
                                       const char* pathVariable,
                                       const std::vector<std::string>& fallbackFolders) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string_view::npos) {
        return std::string(name);
    }
    std::vector<std::string> candidates;
    if (searchCurrentDirectory) {
        candidates.push_back(InFolder(".", name));
    }
    if (pathVariable != nullptr) {
        std::string_view rest(pathVariable);
        while (true) {
            const size_t colon = rest.find(':');
            const std::string_view folder = rest.substr(0, colon);
            if (!folder.empty() && folder.front() == '/') {
                candidates.push_back(InFolder(folder, name));
            } else if (searchCurrentDirectory) {
                candidates.push_back(InFolder(folder, name));
            }
            if (colon == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(colon + 1);
        }
    }
    for (const std::string& folder : fallbackFolders) {
        candidates.push_back(InFolder(folder, name));
    }
    for (const std::string& candidate : candidates) {
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

ChildStartResult ChildProcess::Start(const ChildStart& start) {
    std::vector<std::string> args = SplitCommandLine(start.commandLine);
    if (args.empty() || args.front().empty()) {
        return Failure(ENOENT);
    }
    const std::optional<NicePlan> nice = NiceForPriorityClass(start.priorityClass);
    if (!nice) {
        return Failure(EINVAL);
    }
    const std::vector<std::string> ownFolder =
        start.fallbackFolders ? std::vector<std::string>{} : std::vector{ExecutableFolder()};
    const std::optional<std::string> path =
        FindProgram(args.front(), start.searchCurrentDirectory, std::getenv("PATH"),
                    start.fallbackFolders ? *start.fallbackFolders : ownFolder);
    if (!path) {
        return Failure(ENOENT);
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    Descriptor nullFd(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (nullFd.Get() < 0 || !MoveAboveStandard(nullFd)) {
        return Failure(errno);
    }
    Descriptor consoleRead;
    Descriptor consoleWrite;
    if (start.showMode != 0) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) < 0) {
            return Failure(errno);
        }
        consoleRead.Reset(ends[0]);
        consoleWrite.Reset(ends[1]);
        if (!MoveAboveStandard(consoleRead) || !MoveAboveStandard(consoleWrite) ||
            ::fcntl(consoleRead.Get(), F_SETFL, O_NONBLOCK) < 0) {
            return Failure(errno);
        }
    }

    ChildPlan plan;
    plan.syscallFn = &::syscall;
    plan.exitFn = &::_exit;
    plan.path = path->c_str();
    plan.argv = argv.data();
    plan.envp = environ;
    plan.inputFd = nullFd.Get();
    plan.outputFd = consoleWrite.Get() >= 0 ? consoleWrite.Get() : nullFd.Get();
    plan.nice = nice->nice;
    plan.idle = nice->idle;
    errno = 0;
    const int currentNice = ::getpriority(PRIO_PROCESS, 0);
    struct rlimit limit {};
    const rlim_t niceLimit = ::getrlimit(RLIMIT_NICE, &limit) == 0 ? limit.rlim_cur : 0;
    plan.permittedNice =
        StrongestPermittedNice(nice->nice, errno == 0 ? currentNice : 0, niceLimit);
    plan.closeLimit = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < LONG_MAX
                          ? static_cast<long>(limit.rlim_cur)
                          : 1024 * 1024;

    const Clone clone = CloneChild(plan, start.endNotice == ChildEndNotice::kProcessDescriptor);
    nullFd.Reset();
    consoleWrite.Reset();
    if (clone.pid < 0) {
        return Failure(clone.error);
    }
    Descriptor pidfd(clone.pidfd);
    if (plan.error != 0) {
        int status = 0;
        WaitInterrupted(clone.pid, &status);
        return Failure(plan.error);
    }

    std::unique_ptr<ChildProcess> child(new ChildProcess);
    child->pid_ = clone.pid;
    child->consoleFd_ = consoleRead.Release();
    if (pidfd.Get() >= 0) {
        child->endFd_ = pidfd.Release();
    } else {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) < 0) {
            return Failure(errno);
        }
        child->endFd_ = ends[0];
        try {
            child->waiter_ = std::thread([pid = clone.pid, signalEnd = ends[1]]() {
                siginfo_t info;
                while (::waitid(P_PID, pid, &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
                }
                ::close(signalEnd);
            });
        } catch (const std::system_error& error) {
            ::close(ends[1]);
            return Failure(error.code().value());
        }
    }
    if (start.showMode != 0 && start.console) {
        child->console_ = start.console(start.commandLine);
    }
    return {std::move(child), 0};
}

ChildProcess::~ChildProcess() {
    if (!released_) {
        if (!HasEnded()) {
            ::kill(-pid_, SIGKILL);
        }
        Release();
    }
}

bool ChildProcess::HasEnded() {
    if (!ended_ && !released_) {
        siginfo_t info{};
        if (::waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_) {
            ended_ = true;
        }
    }
    return ended_ || released_;
}

bool ChildProcess::WaitForEnd(std::chrono::milliseconds timeout) {
    if (ended_ || released_) {
        DrainConsole();
        return true;
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    while (true) {
        std::array<pollfd, 2> fds{{{endFd_, POLLIN, 0}, {consoleFd_, POLLIN, 0}}};
        const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec wait{static_cast<time_t>(seconds.count()),
                            static_cast<long>((left - seconds).count())};
        const int ready = ::ppoll(fds.data(), consoleFd_ >= 0 ? 2 : 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR) {
            std::this_thread::sleep_until(deadline);
            return HasEnded();
        }
        if (ready > 0 && fds[1].revents != 0) {
            DrainConsole();
        }
        if (ready > 0 && fds[0].revents != 0) {
            ended_ = true;
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
    }
}

void ChildProcess::Terminate() {
    if (HasEnded()) {
        return;
    }
    if (::kill(-pid_, SIGKILL) == 0) {
        terminated_ = true;
    }
}

int ChildProcess::Release() {
    if (released_) {
        return -1;
    }
    int status = 0;
    const pid_t reaped = WaitInterrupted(pid_, &status);
    released_ = true;
    ended_ = true;
    if (waiter_.joinable()) {
        waiter_.join();
    }
    DrainConsole();
    CloseConsole();
    console_.reset();
    if (endFd_ >= 0) {
        ::close(endFd_);
        endFd_ = -1;
    }
    if (reaped != pid_) {
        return -1;
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return terminated_ && WTERMSIG(status) == SIGKILL ? 1 : 128 + WTERMSIG(status);
    }
    return -1;
}

void ChildProcess::DrainConsole() {
    // Bounded, so that a grandchild that keeps writing cannot hold us here.
    constexpr int kMaxReads = 64;
    std::array<char, 64 * 1024> buffer;
    for (int reads = 0; consoleFd_ >= 0 && reads < kMaxReads; ++reads) {
        const ssize_t count = ::read(consoleFd_, buffer.data(), buffer.size());
        if (count > 0) {
            if (console_) {
                console_->Append(std::string_view(buffer.data(), static_cast<size_t>(count)));
            }
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && errno == EAGAIN) {
            return;
        } else {
            CloseConsole();
        }
    }
}

void ChildProcess::CloseConsole() {
    if (consoleFd_ >= 0) {
        ::close(consoleFd_);
        consoleFd_ = -1;
    }
}

}  // namespace corvane
