#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "encoding/commandline.h"
#include "platform/cmdline.h"
#include "settings/choices.h"
#include "support/audiofiles.h"
#include "support/testsupport.h"

extern char** environ;

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::ExpectEncoding;
using test::ReadFile;
using test::TempDir;
using test::Tone;
using test::WriteFile;
using test::WriteLongWav;
using test::Names;
using test::WriteWav;

const std::string kAacenc = std::string(CORVANE_BIN_DIR) + "/aacenc.exe";

// Every entry below the folder, with the content of regular files.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        entries[name] = entry.is_regular_file() ? ReadFile(entry.path()) : std::string("<other>");
    }
    return entries;
}

struct Launch {
    std::vector<std::string> args{};  // the program first
    std::string cwd{};
    std::optional<std::string> path{};  // PATH in the child's environment
    bool ownGroup = false;
    std::string outputFile = "/dev/null";
    std::string errorFile = "/dev/null";
};

pid_t Start(const Launch& launch) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!launch.path || std::string_view(*entry).substr(0, 5) != "PATH=") {
            env.emplace_back(*entry);
        }
    }
    if (launch.path) {
        env.push_back("PATH=" + *launch.path);
    }
    std::vector<std::string> args = launch.args;
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, launch.outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, launch.errorFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!launch.cwd.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, launch.cwd.c_str());
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (launch.ownGroup) {
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    }
    pid_t pid = -1;
    const int error =
        ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

int WaitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

struct Outcome {
    int exitCode = -1;  // -1 when killed by a signal
    std::string errors;

    // The encoder's own message is the last line of its error output.
    std::string LastLine() const {
        std::string text = errors;
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        const size_t newline = text.rfind('\n');
        return newline == std::string::npos ? text : text.substr(newline + 1);
    }
};

class AacencTest : public testing::Test {
protected:
    Outcome Run(Launch launch) {
        launch.args.insert(launch.args.begin(), kAacenc);
        launch.errorFile = logs_.Child("errors.txt");
        const pid_t pid = Start(launch);
        if (pid < 0) {
            ADD_FAILURE() << "cannot start " << kAacenc;
            return {};
        }
        const int status = WaitStatus(pid);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(launch.errorFile)};
    }

    // Runs a command line as Corvane's runner does: split by the run-time rules,
    // the program name standing for the bundled encoder.
    Outcome RunLine(const std::string& line) {
        std::vector<std::string> args = SplitCommandLine(line);
        EXPECT_EQ(args.at(0), kEncoderProgram);
        args.erase(args.begin());
        return Run({.args = args});
    }

    TempDir logs_;
};

TEST_F(AacencTest, EncodesBothFormsAtTheBitrateAsked) {
    const struct {
        int32_t encoder;
        int32_t position;  // in the bitrate box, -1 none selected
        Tone tone;
        long bitrate;
    } cases[] = {
        {kQuartexEncoder, 4, {44100, 1, 1.0}, 64000},
        {kQuartexEncoder, 6, {48000, 2, 0.6}, 96000},
        {kQuartexEncoder, 8, {44100, 2, 0.8}, 128000},
        {kHomeboyEncoder, 2, {48000, 1, 1.0}, 48000},
        {kHomeboyEncoder, 8, {44100, 2, 0.5}, 128000},
        {kHomeboyEncoder, 13, {48000, 2, 1.5}, 320000},
        {kHomeboyEncoder, -1, {44100, 1, 0.4}, 128000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "encoder " << c.encoder << " position " << c.position);
        TempDir dir;
        fs::create_directory(dir.Child("wav"));
        WriteWav(dir.Child("wav/tone.wav"), c.tone);
        const CommandLineInputs inputs{
            c.encoder,        c.position < 0 ? "" : std::string(kBitrateEntries.at(c.position)),
            c.position,       dir.Child("wav"),
            dir.Child("aac"), '/'};
        const Outcome outcome = RunLine(*BuildCommandLine(inputs, "tone.wav"));
        ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
        EXPECT_EQ(outcome.errors, "");
        EXPECT_EQ(Names(dir.Child("aac")), std::vector<std::string>{"tone.aac"});
        ExpectEncoding(dir.Child("aac/tone.aac"), c.tone, c.bitrate);
    }
}

// Corvane names the source with its full path, so the names reach the encoder
// within quoted, escaped absolute paths.
TEST_F(AacencTest, TakesEveryNameByteForByte) {
    const Tone tone{44100, 1, 0.5};
    const struct {
        std::string name;
        int32_t encoder;
    } cases[] = {
        {"my song \"live\" 100%d.wav", kHomeboyEncoder},
        {"end\\\".wav", kQuartexEncoder},
        {"caf\xe9 \xff\xfe.WAV", kHomeboyEncoder},
        {"-lead.wav", kQuartexEncoder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " encoder " << c.encoder);
        TempDir dir;
        fs::create_directory(dir.Child("wav"));
        fs::create_directory(dir.Child("aac"));
        WriteWav(dir.Child("wav/" + c.name), tone);
        const CommandLineInputs inputs{c.encoder,        "128000 ",        8,
                                       dir.Child("wav"), dir.Child("aac"), '/'};
        const Outcome outcome = RunLine(*BuildCommandLine(inputs, c.name));
        ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
        const std::string output = OutputPath(inputs, c.name);
        EXPECT_EQ(Names(dir.Child("aac")),
                  std::vector<std::string>{fs::path(output).filename().string()});
        ExpectEncoding(output, tone, 128000);
    }
}

// Relative names, where a leading '-' or a protocol prefix could mislead ffmpeg.
TEST_F(AacencTest, ResolvesRelativeNamesAndCreatesTheMissingFolders) {
    const Tone tone{48000, 2, 0.3};
    const struct {
        std::vector<std::string> args;
        std::string output;
        long bitrate;
        std::vector<std::string> inHave;  // what the existing folder holds afterwards
    } cases[] = {
        {{"-lead.wav", "pipe:1.aac", "96"}, "pipe:1.aac", 96000, {"keep.txt"}},
        {{"pipe:1.wav", "new/deeper/-OUT.AAC", "64"}, "new/deeper/-OUT.AAC", 64000, {"keep.txt"}},
        {{"-m", "tf", "-x", "-r", "64000", "-unknown", "-o", "-out.aac", "./-lead.wav"},
         "-out.aac",
         64000,
         {"keep.txt"}},
        {{"./-lead.wav", "-o", "96"}, "96", 128000, {"keep.txt"}},
        {{"-o", "have/new/x.aac", "-r", "-c", "--", "-lead.wav"},
         "have/new/x.aac",
         128000,
         {"keep.txt", "new"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        TempDir dir;
        WriteWav(dir.Child("-lead.wav"), tone);
        WriteWav(dir.Child("pipe:1.wav"), tone);
        fs::create_directory(dir.Child("have"));
        WriteFile(dir.Child("have/keep.txt"), "kept");
        const Outcome outcome = Run({.args = c.args, .cwd = dir.Path()});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.errors;
        ExpectEncoding(dir.Child(c.output), tone, c.bitrate);
        EXPECT_EQ(Names(dir.Child("have")), c.inHave);
        for (const auto& [name, content] : Snapshot(dir.Path())) {
            EXPECT_EQ(name.find(".partial-"), std::string::npos) << name;
        }
    }
}

TEST_F(AacencTest, FailsWithAMessageAndLeavesTheOutputFolderAsItWas) {
    const Tone tone{44100, 1, 0.3};
    const struct {
        const char* what;
        std::function<void(const TempDir&)> prepare;
        std::string source;
        std::string output;
        int exitCode;
        std::optional<std::string> path;
    } cases[] = {
        {"text named .wav",
         [](const TempDir& d) { WriteFile(d.Child("in.wav"), "not audio\n"); },
         "in.wav",
         "out.aac",
         3,
         {}},
        {"WAV header over a broken body",
         [](const TempDir& d) {
             WriteFile(d.Child("in.wav"),
                       "RIFF\x24\x00\x00\x00WAVEjunk\x04\x00\x00\x00"
                       "abcd"s);
         },
         "in.wav",
         "out.aac",
         5,
         {}},
        {"missing input", [](const TempDir&) {}, "in.wav", "out.aac", 3, {}},
        {"input is a folder",
         [](const TempDir& d) { fs::create_directory(d.Child("in.wav")); },
         "in.wav",
         "out.aac",
         3,
         {}},
        {"input is a FIFO",
         [](const TempDir& d) { ::mkfifo(d.Child("in.wav").c_str(), 0644); },
         "in.wav",
         "out.aac",
         3,
         {}},
        {"a file where the output folder goes",
         [&](const TempDir& d) {
             WriteWav(d.Child("in.wav"), tone);
             WriteFile(d.Child("aac"), "a file");
         },
         "in.wav",
         "aac/sub/out.aac",
         4,
         {}},
        {"output is a folder",
         [&](const TempDir& d) {
             WriteWav(d.Child("in.wav"), tone);
             fs::create_directory(d.Child("out.aac"));
         },
         "in.wav",
         "out.aac",
         4,
         {}},
        {"output is the input",
         [&](const TempDir& d) { WriteWav(d.Child("in.wav"), tone); },
         "in.wav",
         "./in.wav",
         4,
         {}},
        {"ffmpeg not on PATH", [&](const TempDir& d) { WriteWav(d.Child("in.wav"), tone); },
         "in.wav", "out.aac", 6, "/nonexistent-folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.prepare(dir);
        if (!fs::exists(dir.Child("out.aac"))) {
            WriteFile(dir.Child("out.aac"), "previous encoding");
        }
        const auto before = Snapshot(dir.Path());
        Launch launch{.args = {c.source, c.output, "128"}, .cwd = dir.Path(), .path = c.path};
        const Outcome outcome = Run(launch);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.errors;
        EXPECT_EQ(outcome.LastLine().rfind("aacenc.exe: ", 0), 0u) << outcome.errors;
        EXPECT_EQ(Snapshot(dir.Path()), before);
    }
}

TEST_F(AacencTest, RefusesAnUnreadableInputAndAnUnwritableFolder) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not hold for root";
    }
    TempDir dir;
    WriteWav(dir.Child("locked.wav"), {44100, 1, 0.3});
    fs::permissions(dir.Child("locked.wav"), fs::perms::none);
    WriteWav(dir.Child("in.wav"), {44100, 1, 0.3});
    fs::create_directory(dir.Child("ro"));
    fs::permissions(dir.Child("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = Snapshot(dir.Path());
    const Outcome unreadable = Run({.args = {"locked.wav", "out.aac", "64"}, .cwd = dir.Path()});
    EXPECT_EQ(unreadable.exitCode, 3) << unreadable.errors;
    const Outcome unwritable = Run({.args = {"in.wav", "ro/out.aac", "64"}, .cwd = dir.Path()});
    EXPECT_EQ(unwritable.exitCode, 4) << unwritable.errors;
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST_F(AacencTest, AnswersACommandLineOfNeitherFormWithItsUsage) {
    const std::vector<std::string> cases[] = {
        {},
        {"in.wav", "out.aac"},
        {"in.wav", "out.aac", "12k"},
        {"in.wav", "out.aac", "64", "extra"},
        {"-r", "128000", "in.wav"},
        {"-o", "out.aac"},
        {"-o", "out.aac", "in.wav", "other.wav"},
        {"in.wav", "-o"},
        {"in.wav", "-o", "a.aac", "-o", "b.aac"},
        {"in.wav", "-o", "out.aac", "-m"},
        {"-r", "128k", "in.wav", "-o", "out.aac"},
        {"-r", "1000", "in.wav", "-o", "out.aac"},
        {"in.wav", "out.aac", "0"},
        {"in.wav", "out.aac", "99999999999999999999"},
        {"", "out.aac", "64"},
        {"in.wav", "", "64"},
    };
    TempDir dir;
    WriteWav(dir.Child("in.wav"), {44100, 1, 0.2});
    for (const auto& args : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        const Outcome outcome = Run({.args = args, .cwd = dir.Path()});
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_NE(outcome.errors.find("usage: aacenc.exe"), std::string::npos) << outcome.errors;
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"in.wav"});
    }
}

class AacencStopTest : public AacencTest {
protected:
    void SetUp() override {
        WriteLongWav(dir_.Child("long.wav"));
        WriteFile(dir_.Child("long.aac"), "previous encoding");
    }

    // Starts the encoder on the long file in a process group of its own and
    // returns once its ffmpeg has read a few seconds of the audio.
    pid_t StartEncoding() {
        Launch launch{
            .args = {kAacenc, "long.wav", "long.aac", "128"}, .cwd = dir_.Path(), .ownGroup = true};
        const pid_t pid = Start(launch);
        EXPECT_GT(pid, 0);
        const std::string source = fs::canonical(dir_.Child("long.wav")).string();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline && ReadSoFar(pid, source) < 1000000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_GE(ReadSoFar(pid, source), 1000000) << "ffmpeg did not get going";
        return pid;
    }

    // How far a child of `pid` has read into the file `path`.
    static long long ReadSoFar(pid_t pid, const std::string& path) {
        const std::string proc = "/proc/" + std::to_string(pid);
        std::istringstream children(ReadFile(proc + "/task/" + std::to_string(pid) + "/children"));
        long long furthest = 0;
        for (std::string child; children >> child;) {
            // The child may end at any moment, so no step of the walk may throw.
            std::error_code ec;
            for (fs::directory_iterator fd("/proc/" + child + "/fd", ec), end; !ec && fd != end;
                 fd.increment(ec)) {
                if (fs::read_symlink(fd->path(), ec).string() != path) {
                    continue;
                }
                std::istringstream info(
                    ReadFile("/proc/" + child + "/fdinfo/" + fd->path().filename().string()));
                std::string key;
                long long position = 0;
                if (info >> key >> position && key == "pos:") {
                    furthest = std::max(furthest, position);
                }
            }
        }
        return furthest;
    }

    TempDir dir_;
};

TEST_F(AacencStopTest, AStopSignalEndsFfmpegAndRemovesThePartialFile) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        const pid_t pid = StartEncoding();
        ASSERT_EQ(::kill(pid, sig), 0);
        const int status = WaitStatus(pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + sig);
        // The encoder has gone; nothing of its group may be left.
        EXPECT_EQ(::kill(-pid, 0), -1);
        EXPECT_EQ(errno, ESRCH);
        EXPECT_EQ(Names(dir_.Path()), (std::vector<std::string>{"long.aac", "long.wav"}));
        EXPECT_EQ(ReadFile(dir_.Child("long.aac")), "previous encoding");
    }
}

TEST_F(AacencStopTest, KillingTheGroupLeavesNoPartialFileUnderTheOutputName) {
    const pid_t pid = StartEncoding();
    ASSERT_EQ(::kill(-pid, SIGKILL), 0);
    const int status = WaitStatus(pid);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadFile(dir_.Child("long.aac")), "previous encoding");
    for (const std::string& name : Names(dir_.Path())) {
        if (name != "long.aac" && name != "long.wav") {
            EXPECT_NE(name.find(".partial-"), std::string::npos) << name;
        }
    }
}

}  // namespace
}  // namespace corvane
