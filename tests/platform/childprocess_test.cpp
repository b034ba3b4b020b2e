#include "platform/childprocess.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

#include "platform/childtesting.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using namespace corvane::test;
namespace fs = std::filesystem;

ChildStart Launch(const std::string& line, ChildEndNotice notice = {}) {
    ChildStart start;
    start.commandLine = line;
    start.fallbackFolders = std::vector<std::string>{};
    start.endNotice = notice;
    return start;
}

std::unique_ptr<ChildProcess> MustStart(const ChildStart& start) {
    ChildStartResult started = ChildProcess::Start(start);
    EXPECT_NE(started.child, nullptr) << start.commandLine << ": " << std::strerror(started.error);
    return std::move(started.child);
}

bool WaitUpTo(ChildProcess& child, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!child.WaitForEnd(100ms)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

// Starts `start`, waits for the end and releases; the exit code, or nothing
// when the start failed or the child did not end within ten seconds.
std::optional<int> RunToEnd(const ChildStart& start) {
    std::unique_ptr<ChildProcess> child = MustStart(start);
    if (!child || !WaitUpTo(*child, 10s)) {
        return std::nullopt;
    }
    return child->Release();
}

char ProcessState(pid_t pid) {
    const std::string text = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = text.rfind(')');
    return end == std::string::npos || end + 2 >= text.size() ? '?' : text[end + 2];
}

std::map<int, std::string> ReadDescriptors(const std::string& path) {
    std::map<int, std::string> fds;
    std::istringstream in(ReadFile(path));
    int fd = 0;
    std::string target;
    while (in >> fd >> target) {
        fds[fd] = target;
    }
    return fds;
}

class ChildTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(ZombieChildren(), std::vector<pid_t>{}); }

    TempDir dir_;
};

class EveryEndNotice : public ChildTest, public testing::WithParamInterface<ChildEndNotice> {};

INSTANTIATE_TEST_SUITE_P(ChildProcess, EveryEndNotice,
                         testing::Values(ChildEndNotice::kProcessDescriptor,
                                         ChildEndNotice::kWaiterThread),
                         [](const testing::TestParamInfo<ChildEndNotice>& notice) {
                             return notice.param == ChildEndNotice::kProcessDescriptor
                                        ? "ProcessDescriptor"
                                        : "WaiterThread";
                         });

TEST(PriorityClass, MapsEveryClassAndRefusesTheRest) {
    const struct {
        int32_t priorityClass;
        std::optional<int> nice;
        bool idle;
    } cases[] = {{64, 19, true},     {16384, 5, false},  {0, 0, false},          {32, 0, false},
                 {32768, -5, false}, {128, -10, false},  {256, -20, false},      {1, {}, false},
                 {0x30, {}, false},  {0x110, {}, false}, {-1, {}, false},        {65536, {}, false},
                 {16, {}, false},    {512, {}, false},   {0x7fffffff, {}, false}};
    for (const auto& c : cases) {
        const std::optional<NicePlan> plan = NiceForPriorityClass(c.priorityClass);
        ASSERT_EQ(plan.has_value(), c.nice.has_value()) << c.priorityClass;
        if (plan) {
            EXPECT_EQ(plan->nice, *c.nice) << c.priorityClass;
            EXPECT_EQ(plan->idle, c.idle) << c.priorityClass;
        }
    }
}

TEST(PriorityClass, UnprivilegedNiceStopsAtTheLimit) {
    const struct {
        int requested;
        int current;
        rlim_t limit;
        int permitted;
    } cases[] = {
        {-20, 0, 0, 0},  {-20, 0, 23, -3}, {-20, 0, 40, -20}, {-20, 0, RLIM_INFINITY, -20},
        {-5, 0, 30, -5}, {-10, 0, 25, -5}, {5, 0, 0, 5},      {19, 0, 0, 19},
        {0, 10, 0, 10},  {0, 10, 20, 0},   {5, 10, 12, 8},    {-20, 5, 10, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StrongestPermittedNice(c.requested, c.current, c.limit), c.permitted)
            << c.requested << " from " << c.current << " with limit " << c.limit;
    }
}

TEST_P(EveryEndNotice, PassesTheExitCodeOn) {
    const struct {
        std::vector<std::string> commands;
        int exitCode;
    } cases[] = {
        {{"exit", "0"}, 0},     {{"exit", "3"}, 3},    {{"exit", "255"}, 255},
        {{"raise", "15"}, 143}, {{"raise", "9"}, 137}, {{"sleep", "150", "exit", "4"}, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunToEnd(Launch(HelperLine(c.commands), GetParam())), c.exitCode)
            << c.commands.front();
    }
}

TEST_P(EveryEndNotice, TerminateKillsARunningChildWhichThenExitsWithOne) {
    for (const std::vector<std::string>& commands :
         {std::vector<std::string>{"sleep", "30000"},
          std::vector<std::string>{"ignore-term", "sleep", "30000"}}) {
        std::unique_ptr<ChildProcess> child = MustStart(Launch(HelperLine(commands), GetParam()));
        ASSERT_NE(child, nullptr);
        const pid_t pid = child->Pid();
        EXPECT_FALSE(child->WaitForEnd(50ms));
        child->Terminate();
        EXPECT_TRUE(child->WaitForEnd(5s));
        EXPECT_EQ(child->Release(), 1);
        EXPECT_TRUE(ProcessGone(pid));
    }
}

TEST_P(EveryEndNotice, TerminateLeavesAChildThatHasEndedAndItsGroupAlone) {
    const std::string pidFile = dir_.Child("grandchild");
    std::unique_ptr<ChildProcess> child =
        MustStart(Launch(HelperLine({"grandchild", "30000", pidFile, "exit", "7"}), GetParam()));
    ASSERT_NE(child, nullptr);
    for (int i = 0; i < 500 && ProcessState(child->Pid()) != 'Z'; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(ProcessState(child->Pid()), 'Z');
    const pid_t grandchild = static_cast<pid_t>(std::stol(ReadFile(pidFile)));
    child->Terminate();
    EXPECT_TRUE(child->WaitForEnd(0ms));
    EXPECT_EQ(child->Release(), 7);
    const char state = ProcessState(grandchild);
    EXPECT_TRUE(state != 'Z' && state != '?') << state;
    ::kill(grandchild, SIGKILL);
}

TEST_P(EveryEndNotice, TerminateKillsTheWholeProcessGroup) {
    // Orphans come to us instead of init, so the grandchild's end can be seen.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    struct Restore {
        ~Restore() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
    } restore;
    const std::string pidFile = dir_.Child("grandchild");
    std::unique_ptr<ChildProcess> child = MustStart(
        Launch(HelperLine({"grandchild", "30000", pidFile, "sleep", "30000"}), GetParam()));
    ASSERT_NE(child, nullptr);
    for (int i = 0; i < 100 && !fs::exists(pidFile); ++i) {
        EXPECT_FALSE(child->WaitForEnd(50ms));
    }
    const pid_t grandchild = static_cast<pid_t>(std::stol(ReadFile(pidFile)));
    child->Terminate();
    EXPECT_TRUE(child->WaitForEnd(5s));
    EXPECT_EQ(child->Release(), 1);

    int status = 0;
    pid_t reaped = 0;
    for (int i = 0; i < 500 && reaped == 0; ++i) {
        reaped = ::waitpid(grandchild, &status, WNOHANG);
        if (reaped == 0) {
            std::this_thread::sleep_for(10ms);
        }
    }
    ASSERT_EQ(reaped, grandchild);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

TEST_P(EveryEndNotice, ShownOutputAndErrorReachTheConsoleUntilRelease) {
    auto console = std::make_shared<ConsoleRecord>();
    ChildStart start = Launch(HelperLine({"print", "0123456789abcdef", "8192", "eprint", "ERR!",
                                          "3", "print", "end", "1"}),
                              GetParam());
    start.showMode = 10;
    start.console = CollectingFactory(console);
    std::unique_ptr<ChildProcess> child = MustStart(start);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(console->opened, std::vector<std::string>{start.commandLine});
    ASSERT_TRUE(WaitUpTo(*child, 10s));
    EXPECT_EQ(console->open, 1);
    EXPECT_EQ(child->Release(), 0);
    EXPECT_EQ(console->open, 0);

    std::string expected;
    for (int i = 0; i < 8192; ++i) {
        expected += "0123456789abcdef";
    }
    expected += "ERR!ERR!ERR!end";
    EXPECT_EQ(console->received.size(), expected.size());
    EXPECT_TRUE(console->received == expected);
}

TEST_F(ChildTest, ShowModesDecideWhereOutputGoes) {
    const struct {
        uint16_t showMode;
        bool factory;
        int consoles;
    } cases[] = {{0, true, 0}, {10, true, 1}, {1, true, 1}, {10, false, 0}};
    for (const auto& c : cases) {
        auto console = std::make_shared<ConsoleRecord>();
        // More than a pipe holds: a console that nobody reads would block the child.
        ChildStart start = Launch(HelperLine({"print", std::string(1000, 'x'), "1000"}));
        start.showMode = c.showMode;
        if (c.factory) {
            start.console = CollectingFactory(console);
        }
        EXPECT_EQ(RunToEnd(start), 0) << c.showMode;
        EXPECT_EQ(console->opened.size(), static_cast<size_t>(c.consoles)) << c.showMode;
        EXPECT_EQ(console->received.size(), c.consoles == 0 ? 0U : 1000U * 1000U) << c.showMode;
    }
}

TEST_F(ChildTest, TheChildHoldsOnlyItsStandardDescriptors) {
    // Descriptors of ours that lack close-on-exec must still stay behind.
    const int plain = ::open("/dev/null", O_RDONLY);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const int high = ::dup2(plain, 57);
    ASSERT_GE(plain, 0);
    ASSERT_EQ(high, 57);

    for (uint16_t showMode : {0, 10}) {
        const std::string file = dir_.Child("fds" + std::to_string(showMode));
        ChildStart start = Launch(HelperLine({"fds", file}));
        start.showMode = showMode;
        start.console = CollectingFactory(std::make_shared<ConsoleRecord>());
        ASSERT_EQ(RunToEnd(start), 0);
        const std::map<int, std::string> fds = ReadDescriptors(file);
        ASSERT_EQ(fds.size(), 3U) << ReadFile(file);
        EXPECT_EQ(fds.at(0), "/dev/null");
        if (showMode == 0) {
            EXPECT_EQ(fds.at(1), "/dev/null");
            EXPECT_EQ(fds.at(2), "/dev/null");
        } else {
            EXPECT_EQ(fds.at(1).rfind("pipe:", 0), 0U) << fds.at(1);
            EXPECT_EQ(fds.at(2), fds.at(1));
        }
    }
    for (int fd : {plain, ends[0], ends[1], high}) {
        ::close(fd);
    }
}

TEST_F(ChildTest, TheChildStartsWithNoSignalBlockedOrIgnored) {
    sigset_t block;
    sigset_t previousMask;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &block, &previousMask), 0);
    struct sigaction ignore {};
    struct sigaction previousPipe {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &previousPipe), 0);

    const std::string file = dir_.Child("signals");
    const std::optional<int> exitCode = RunToEnd(Launch(HelperLine({"signals", file})));
    ::sigaction(SIGPIPE, &previousPipe, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadFile(file), "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n");
}

bool HoldsCapability(int capability) {
    std::istringstream status(ReadFile("/proc/self/status"));
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("CapEff:", 0) == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) >> capability) & 1U;
        }
    }
    return false;
}

std::optional<std::pair<int, int>> ChildPriority(const std::string& file, int32_t priorityClass) {
    ChildStart start = Launch(HelperLine({"priority", file}));
    start.priorityClass = priorityClass;
    if (RunToEnd(start) != 0) {
        return std::nullopt;
    }
    std::istringstream in(ReadFile(file));
    int nice = 0;
    int policy = 0;
    in >> nice >> policy;
    return std::make_pair(nice, policy);
}

TEST_F(ChildTest, EachPriorityClassSetsTheChildsScheduling) {
    const bool privileged = HoldsCapability(CAP_SYS_NICE);
    errno = 0;
    const int ownNice = ::getpriority(PRIO_PROCESS, 0);
    struct rlimit limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_NICE, &limit), 0);
    for (int32_t priorityClass : {64, 16384, 0, 32, 32768, 128, 256}) {
        const NicePlan plan = *NiceForPriorityClass(priorityClass);
        const int nice =
            privileged ? plan.nice : StrongestPermittedNice(plan.nice, ownNice, limit.rlim_cur);
        EXPECT_EQ(ChildPriority(dir_.Child(std::to_string(priorityClass)), priorityClass),
                  std::make_pair(nice, plan.idle ? SCHED_IDLE : SCHED_OTHER))
            << priorityClass;
    }
    for (int32_t refused : {1, 0x30, 0x110, -1, 65536}) {
        ChildStart start = Launch(HelperLine({"pid", dir_.Child("refused")}));
        start.priorityClass = refused;
        const ChildStartResult started = ChildProcess::Start(start);
        EXPECT_EQ(started.child, nullptr) << refused;
        EXPECT_EQ(started.error, EINVAL) << refused;
    }
    EXPECT_FALSE(fs::exists(dir_.Child("refused")));
}

// Drops CAP_SYS_NICE in a process of its own, so the refusal of a negative
// nice value shows even when the tests run as root.
TEST_F(ChildTest, ANegativeNiceThatTheLimitRefusesIsClampedToTheStrongestPermitted) {
    errno = 0;
    if (::getpriority(PRIO_PROCESS, 0) != 0 || errno != 0) {
        GTEST_SKIP() << "the test process does not run at nice 0";
    }
    const std::string results = dir_.Child("results");
    const pid_t tester = ::fork();
    ASSERT_GE(tester, 0);
    if (tester == 0) {
        std::string text;
        for (rlim_t niceLimit : {rlim_t{23}, rlim_t{0}}) {
            const struct rlimit limit { niceLimit, niceLimit };
            if (::setrlimit(RLIMIT_NICE, &limit) != 0) {
                continue;
            }
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct data[2]{};
            ::syscall(SYS_capget, &header, data);
            data[0].effective &= ~(1U << CAP_SYS_NICE);
            ::syscall(SYS_capset, &header, data);
            for (int32_t priorityClass : {256, 128, 32768, 16384, 32}) {
                const auto priority =
                    ChildPriority(dir_.Child(std::to_string(priorityClass)), priorityClass);
                text += std::to_string(niceLimit) + " " + std::to_string(priorityClass) + " " +
                        (priority ? std::to_string(priority->first) : "failed") + "\n";
            }
        }
        WriteFile(results, text);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(tester, &status, 0), tester);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string expected = "0 256 0\n0 128 0\n0 32768 0\n0 16384 5\n0 32 0\n";
    if (ReadFile(results).rfind("23 ", 0) == 0) {
        expected = "23 256 -3\n23 128 -3\n23 32768 -3\n23 16384 5\n23 32 0\n" + expected;
    }
    EXPECT_EQ(ReadFile(results), expected);
}

TEST_F(ChildTest, AStartThatFailsLeavesNothingBehind) {
    WriteFile(dir_.Child("garbage"), "this is no program\n");
    WriteFile(dir_.Child("script"), "#!/nonexistent/interpreter\n");
    for (const char* name : {"garbage", "script"}) {
        fs::permissions(dir_.Child(name), fs::perms::owner_all);
    }
    const struct {
        std::string line;
        int error;
    } cases[] = {
        {"", ENOENT},
        {"\"\" exit 0", ENOENT},
        {"corvane-no-such-encoder.exe exit 0", ENOENT},
        {Quoted(dir_.Child("missing")) + " exit 0", ENOENT},
        {Quoted(dir_.Path()) + " exit 0", EACCES},
        {Quoted(dir_.Child("garbage")) + " exit 0", ENOEXEC},
        {Quoted(dir_.Child("script")) + " exit 0", ENOENT},
    };
    for (const auto& c : cases) {
        const ChildStartResult started = ChildProcess::Start(Launch(c.line));
        EXPECT_EQ(started.child, nullptr) << c.line;
        EXPECT_EQ(started.error, c.error) << c.line << ": " << std::strerror(started.error);
        EXPECT_EQ(ZombieChildren(), std::vector<pid_t>{}) << c.line;
    }
}

TEST_F(ChildTest, ABareNameIsLookedUpInCwdOnlyWhenAskedThenPathThenTheFallbackFolders) {
    struct Case {
        std::vector<std::string> programs;     // folders holding an executable corv-enc
        std::vector<std::string> notPrograms;  // a plain file there
        std::vector<std::string> directories;  // a folder named corv-enc there
        std::string path;
        bool searchCurrentDirectory;
        std::string name;
        std::string expected;  // the folder whose corv-enc runs; empty: none
    };
    const Case cases[] = {
        {{"cwd", "path1", "fallback"}, {}, {}, "@path1", true, "corv-enc", "cwd"},
        {{"cwd", "path1", "fallback"}, {}, {}, "@path1", false, "corv-enc", "path1"},
        {{"cwd", "path2", "fallback"}, {}, {}, "@path1:@path2", false, "corv-enc", "path2"},
        {{"cwd", "fallback"}, {}, {}, "@path1:@path2", false, "corv-enc", "fallback"},
        {{"fallback"}, {"path1"}, {"path2"}, "@path1:@path2", true, "corv-enc", "fallback"},
        {{"cwd"}, {}, {}, ":@path1:.", false, "corv-enc", ""},
        {{"cwd/sub"}, {}, {}, "sub", false, "corv-enc", ""},
        {{"cwd/sub"}, {}, {}, "sub", true, "corv-enc", "cwd/sub"},
        {{"cwd/sub", "path1"}, {}, {}, "@path1", false, "sub/corv-enc", "cwd/sub"},
        {{}, {}, {}, "@path1", true, "corv-enc", ""},
    };
    for (const Case& c : cases) {
        TempDir root;
        for (const char* folder : {"cwd", "cwd/sub", "path1", "path2", "fallback"}) {
            fs::create_directories(root.Child(folder));
        }
        for (const std::string& folder : c.programs) {
            InstallHelper("testchild", root.Child(folder), "corv-enc");
        }
        for (const std::string& folder : c.notPrograms) {
            WriteFile(root.Child(folder) + "/corv-enc", "#!/bin/sh\n");
            fs::permissions(root.Child(folder) + "/corv-enc",
                            fs::perms::owner_read | fs::perms::owner_write);
        }
        for (const std::string& folder : c.directories) {
            fs::create_directory(root.Child(folder) + "/corv-enc");
        }
        std::string path = c.path;
        for (size_t at; (at = path.find('@')) != std::string::npos;) {
            path.replace(at, 1, root.Path() + "/");
        }
        const std::string record = root.Child("record");
        ScopedEnvironment pathVariable("PATH", path);
        ScopedEnvironment recording(kRecordVariable, record);
        ScopedCurrentDirectory keep;
        fs::current_path(root.Child("cwd"));

        ChildStart start = Launch(c.name + " exit 0");
        start.searchCurrentDirectory = c.searchCurrentDirectory;
        start.fallbackFolders = std::vector<std::string>{root.Child("fallback")};
        const std::string label =
            c.name + " PATH=" + c.path + (c.searchCurrentDirectory ? " +cwd" : "");
        if (c.expected.empty()) {
            const ChildStartResult started = ChildProcess::Start(start);
            EXPECT_EQ(started.child, nullptr) << label;
            EXPECT_EQ(started.error, ENOENT) << label;
            continue;
        }
        ASSERT_EQ(RunToEnd(start), 0) << label;
        const std::optional<ChildRecord> ran = ReadRecord(record);
        ASSERT_TRUE(ran) << label;
        EXPECT_EQ(ran->exe, fs::canonical(root.Child(c.expected) + "/corv-enc").string()) << label;
        EXPECT_EQ(ran->args.front(), c.name) << label;
    }
}

TEST_F(ChildTest, WithoutFallbackFoldersTheExecutablesOwnFolderIsSearched) {
    ScopedEnvironment pathVariable("PATH", dir_.Path());
    ChildStart start;
    start.commandLine = "platform_tests --gtest_list_tests";
    const ChildStartResult started = ChildProcess::Start(start);
    ASSERT_NE(started.child, nullptr) << std::strerror(started.error);
    EXPECT_TRUE(WaitUpTo(*started.child, 30s));
    EXPECT_EQ(started.child->Release(), 0);
}

TEST_F(ChildTest, ArgumentsArriveByteForByteWithoutAShell) {
    const std::vector<std::string> args = {"plain",          "two  words",        "",
                                           "say \"hi\"",     "back\\slash",       "trail\\",
                                           "\\\"both\\\\\"", "$(touch MARK)",     "`touch MARK`",
                                           "a;b|c&d>e<f*?~", "tab\there",         "new\nline",
                                           "'single'",       "\xff\xfe\x80 \xe9", "%PATH% !x! ^"};
    std::string line = Quoted(HelperPath("testchild"));
    for (const std::string& arg : args) {
        line += " " + Quoted(arg);
    }
    const std::string record = dir_.Child("record");
    ScopedEnvironment recording(kRecordVariable, record);
    ScopedCurrentDirectory keep;
    fs::current_path(dir_.Path());

    ASSERT_EQ(RunToEnd(Launch(line)), 0);
    const std::optional<ChildRecord> ran = ReadRecord(record);
    ASSERT_TRUE(ran);
    std::vector<std::string> expected{HelperPath("testchild")};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(ran->args, expected);
    EXPECT_EQ(ran->cwd, fs::canonical(dir_.Path()).string());
    EXPECT_FALSE(fs::exists(dir_.Child("MARK")));
}

}  // namespace
}  // namespace corvane
