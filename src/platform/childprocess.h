#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/consolesink.h"

namespace corvane {

// How a started child's end is noticed. A process descriptor (pidfd) is the
// normal way; a thread blocked in waitid serves kernels that have none.
enum class ChildEndNotice { kProcessDescriptor, kWaiterThread };

struct ChildStart {
    std::string commandLine;
    // 0 hides the child: standard input, output and error are /dev/null. Any
    // other value shows it: its output and error go to the console made by
    // `console`, or are discarded when there is none.
    uint16_t showMode = 0;
    int32_t priorityClass = 32;
    // The current directory takes part in the program lookup only when set.
    bool searchCurrentDirectory = false;
    // Searched after PATH; none given means the folder of Corvane's executable.
    std::optional<std::vector<std::string>> fallbackFolders;
    ConsoleFactory console;
    ChildEndNotice endNotice = ChildEndNotice::kProcessDescriptor;
};

// What a priority class asks of the child's scheduling.
struct NicePlan {
    int nice = 0;
    bool idle = false;  // SCHED_IDLE
};

// 64 idle, 16384 below normal, 0 and 32 normal, 32768 above normal, 128 high,
// 256 realtime; nothing for any other value.
std::optional<NicePlan> NiceForPriorityClass(int32_t priorityClass);

// The nice value an unprivileged process gets closest to `requested`: it may
// always raise its nice value, and lower it down to 20 - RLIMIT_NICE.
int StrongestPermittedNice(int requested, int current, rlim_t niceLimit);

// Looks a program up as the child start does. A name holding '/' is used as
// given. A bare name is looked for in the current directory (only when
// `searchCurrentDirectory`), then in each folder of `pathVariable` (null when
// PATH is unset), then in `fallbackFolders`. A PATH entry that is empty or
// relative names a folder below the current directory and is searched only
// when the current directory is. Only regular files that may be executed count.
std::optional<std::string> FindProgram(std::string_view name, bool searchCurrentDirectory,
                                       const char* pathVariable,
                                       const std::vector<std::string>& fallbackFolders);

class ChildProcess;

struct ChildStartResult {
    std::unique_ptr<ChildProcess> child;  // null when nothing was started
    int error = 0;                        // errno of a failed start
};

// One encoder child: started directly (no shell) in a session and process
// group of its own, holding no descriptor of ours but 0, 1 and 2.
class ChildProcess {
public:
    static ChildStartResult Start(const ChildStart& start);

    // A child that was never released is killed with its group and reaped.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // Waits up to `timeout`, passing the child's output to its console
    // meanwhile; true as soon as the child has ended.
    bool WaitForEnd(std::chrono::milliseconds timeout);

    // SIGKILL to the child's whole process group, unless the child has already
    // ended; then nothing happens.
    void Terminate();

    // Waits for the end if need be, reaps the child, passes on the last output,
    // closes the console and every descriptor. Returns the exit status of a
    // normal end, 1 after Terminate killed it, 128 + the signal that ended it
    // otherwise; -1 when it was already released.
    int Release();

private:
    ChildProcess() = default;
    bool HasEnded();
    void DrainConsole();
    void CloseConsole();

    pid_t pid_ = -1;
    int endFd_ = -1;  // readable once the child has ended
    int consoleFd_ = -1;
    std::unique_ptr<ConsoleSink> console_;
    std::thread waiter_;
    bool ended_ = false;
    bool terminated_ = false;
    bool released_ = false;
};

}  // namespace corvane
