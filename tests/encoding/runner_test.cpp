#include "encoding/runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <thread>

#include "encoding/commandline.h"
#include "encoding/posixprocesses.h"
#include "platform/childtesting.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using namespace corvane::test;
namespace fs = std::filesystem;
using Log = std::vector<std::string>;

// The window's side of a run: records each dispatch and may act in it.
class RecordingHost : public RunnerHost {
public:
    explicit RecordingHost(Log& log) : log_(log) {}

    void ProcessMessages() override {
        log_.push_back("dispatch");
        ++dispatches;
        if (onDispatch) {
            onDispatch(*this);
        }
    }
    bool AbortRequested() const override { return abort; }

    bool abort = false;
    int dispatches = 0;
    std::function<void(RecordingHost&)> onDispatch;

private:
    Log& log_;
};

// Logs every call and answers the waits from a script; a start fails when
// `startable` is false.
class ScriptedProcesses : public EncoderProcesses {
public:
    ScriptedProcesses(Log& log, std::deque<bool> waits) : log_(log), waits_(std::move(waits)) {}

    std::optional<ChildId> Start(const EncoderLaunch&) override {
        log_.push_back("start");
        return startable ? std::optional<ChildId>(42) : std::nullopt;
    }
    bool WaitForEnd(ChildId child, std::chrono::milliseconds timeout) override {
        log_.push_back("wait");
        EXPECT_EQ(child, 42U);
        EXPECT_EQ(timeout, 100ms);
        if (waits_.empty()) {
            ADD_FAILURE() << "a wait beyond the script";
            return true;
        }
        const bool ended = waits_.front();
        waits_.pop_front();
        return ended;
    }
    void Terminate(ChildId child) override {
        log_.push_back("terminate");
        EXPECT_EQ(child, 42U);
    }
    int Release(ChildId child) override {
        log_.push_back("release");
        EXPECT_EQ(child, 42U);
        return 1;
    }

    bool startable = true;

private:
    Log& log_;
    std::deque<bool> waits_;
};

// The real processes, with every call logged.
class LoggedProcesses : public EncoderProcesses {
public:
    LoggedProcesses(Log& log, PosixEncoderProcesses& real) : log_(log), real_(real) {}

    std::optional<ChildId> Start(const EncoderLaunch& launch) override {
        log_.push_back("start");
        return real_.Start(launch);
    }
    bool WaitForEnd(ChildId child, std::chrono::milliseconds timeout) override {
        log_.push_back("wait");
        return real_.WaitForEnd(child, timeout);
    }
    void Terminate(ChildId child) override {
        log_.push_back("terminate");
        real_.Terminate(child);
    }
    int Release(ChildId child) override {
        log_.push_back("release");
        return real_.Release(child);
    }

private:
    Log& log_;
    PosixEncoderProcesses& real_;
};

TEST(RunEncoderProcess, FollowsTheSlicesWithTheStopTestAfterEachDispatch) {
    const struct {
        const char* name;
        bool startable;
        bool abortBefore;     // set before the run
        int abortInDispatch;  // set in this dispatch (1-based), 0 never
        std::deque<bool> waits;
        int result;
        Log log;
    } cases[] = {
        {"start fails", false, false, 0, {}, -1, {"start"}},
        {"ends in the first slice", true, false, 0, {true}, 1, {"start", "wait", "release"}},
        {"a stop already set is not looked at before a dispatch",
         true,
         true,
         0,
         {true},
         1,
         {"start", "wait", "release"}},
        {"ends after two slices",
         true,
         false,
         0,
         {false, false, true},
         1,
         {"start", "wait", "dispatch", "wait", "dispatch", "wait", "release"}},
        {"stop in the slice in which the child ends",
         true,
         false,
         1,
         {false, true},
         0,
         {"start", "wait", "dispatch", "terminate", "wait", "release"}},
        {"termination repeated in every slice until the end",
         true,
         false,
         2,
         {false, false, false, false, false, true},
         0,
         {"start", "wait", "dispatch", "wait", "dispatch", "terminate", "wait", "dispatch",
          "terminate", "wait", "dispatch", "terminate", "wait", "dispatch", "terminate", "wait",
          "release"}},
    };
    for (const auto& c : cases) {
        Log log;
        ScriptedProcesses processes(log, c.waits);
        processes.startable = c.startable;
        RecordingHost host(log);
        host.abort = c.abortBefore;
        host.onDispatch = [&c](RecordingHost& self) {
            if (self.dispatches == c.abortInDispatch) {
                self.abort = true;
            }
        };
        const RunOutcome outcome = RunEncoderProcess(EncoderLaunch{}, processes, host);
        EXPECT_EQ(outcome.result, c.result) << c.name;
        EXPECT_EQ(outcome.exitCode.has_value(), c.startable) << c.name;
        EXPECT_EQ(log, c.log) << c.name;
    }
}

class RunnerTest : public testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(real_.ActiveChildren(), 0U);
        EXPECT_EQ(ZombieChildren(), std::vector<pid_t>{});
    }

    RunOutcome Run(const std::string& line, RecordingHost& host, uint16_t showMode = kShowHidden) {
        EncoderLaunch launch;
        launch.commandLine = line;
        launch.showMode = showMode;
        return RunEncoderProcess(launch, logged_, host);
    }

    TempDir dir_;
    std::shared_ptr<ConsoleRecord> console_ = std::make_shared<ConsoleRecord>();
    PosixEncoderProcesses real_{CollectingFactory(console_), std::vector<std::string>{}};
    Log log_;
    LoggedProcesses logged_{log_, real_};
};

TEST_F(RunnerTest, AProgramThatCannotBeFoundGivesMinusOneAtOnce) {
    RecordingHost host(log_);
    const RunOutcome outcome = Run("corvane-no-such-encoder.exe -r 128000", host);
    EXPECT_EQ(outcome.result, kRunNotStarted);
    EXPECT_FALSE(outcome.exitCode);
    EXPECT_EQ(log_, Log{"start"});
    EXPECT_EQ(real_.LastStartError(), ENOENT);
}

// Small system programs, so that the end surely falls into the first slice
// even in a sanitizer build.
TEST_F(RunnerTest, AChildThatEndsByItselfGivesOneWhateverItsExitCode) {
    const struct {
        const char* line;
        int exitCode;
    } cases[] = {{"true", 0}, {"false", 1}, {"sh -c \"exit 255\"", 255}};
    for (const auto& c : cases) {
        log_.clear();
        RecordingHost host(log_);
        const RunOutcome outcome = Run(c.line, host);
        EXPECT_EQ(outcome.result, kRunCompleted) << c.line;
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.line;
        // It ends within the first 100 ms slice, before any dispatch.
        EXPECT_EQ(log_, (Log{"start", "wait", "release"})) << c.line;
    }
}

TEST_F(RunnerTest, AChildRunningLongerThanASliceIsWaitedForBetweenDispatches) {
    RecordingHost host(log_);
    const RunOutcome outcome = Run(HelperLine({"sleep", "350", "exit", "5"}), host);
    EXPECT_EQ(outcome.result, kRunCompleted);
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_GE(host.dispatches, 2);
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "wait"), host.dispatches + 1);
}

TEST_F(RunnerTest, AStopDuringTheRunEndsTheChildWithinTheNextSlice) {
    for (const std::vector<std::string>& prefix :
         {std::vector<std::string>{}, std::vector<std::string>{"ignore-term"}}) {
        log_.clear();
        const std::string pidFile = dir_.Child("pid");
        fs::remove(pidFile);
        std::vector<std::string> args = prefix;
        args.insert(args.end(), {"pid", pidFile, "sleep", "30000"});
        RecordingHost host(log_);
        // Stop once the child is surely running its commands.
        host.onDispatch = [&pidFile](RecordingHost& self) { self.abort = fs::exists(pidFile); };
        const RunOutcome outcome = Run(HelperLine(args), host);
        EXPECT_EQ(outcome.result, kRunStopped);
        EXPECT_EQ(outcome.exitCode, 1);
        // One termination, and the very next 100 ms wait saw the end.
        ASSERT_GE(log_.size(), 6U);
        EXPECT_EQ(Log(log_.end() - 4, log_.end()),
                  (Log{"dispatch", "terminate", "wait", "release"}));
        EXPECT_EQ(std::count(log_.begin(), log_.end(), "terminate"), 1);
        EXPECT_TRUE(ProcessGone(static_cast<pid_t>(std::stol(ReadFile(pidFile)))));
    }
}

TEST_F(RunnerTest, AShownChildsOutputReachesItsConsoleAndNeverBlocksIt) {
    RecordingHost host(log_);
    const std::string line = HelperLine({"sleep", "150", "print", "a console line\n", "20000"});
    const RunOutcome outcome = Run(line, host, kShowDefault);
    EXPECT_EQ(outcome.result, kRunCompleted);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(console_->opened, Log{line});
    EXPECT_EQ(console_->open, 0);
    EXPECT_EQ(console_->received.size(), 20000U * 15U);
    EXPECT_EQ(console_->received.substr(0, 30), "a console line\na console line\n");
}

// The command line that BuildCommandLine makes for file names full of what a
// shell or the splitting would read specially arrives at the encoder intact.
TEST_F(RunnerTest, TheEncoderGetsEveryNameByteForByteInTheEncoderFolder) {
    const std::string encoderFolder = dir_.Child("encoder");
    const std::string sourceFolder = dir_.Child("wav $(id) `id` \"q\"");
    fs::create_directories(encoderFolder);
    InstallHelper("testchild", encoderFolder, std::string(kEncoderProgram));
    ScopedCurrentDirectory keep;
    fs::current_path(encoderFolder);
    const std::string record = dir_.Child("record");
    ScopedEnvironment recording(kRecordVariable, record);

    CommandLineInputs inputs;
    inputs.bitrateText = "128000 ";
    inputs.bitratePosition = 0;
    inputs.sourceFolder = sourceFolder;
    inputs.outputFolder = dir_.Child("out\\");
    for (int32_t encoder : {0, 1}) {
        inputs.encoder = encoder;
        for (const std::string name :
             {"two  words.wav", "say \"hi\".wav", "trail\\", "\xff\xfe\x80.wav", "a;b|c&$HOME*.wav",
              "tab\tnew\nline.WAV"}) {
            fs::remove(record);
            const std::optional<std::string> line = BuildCommandLine(inputs, name);
            ASSERT_TRUE(line);
            RecordingHost host(log_);
            EncoderLaunch launch;
            launch.commandLine = *line;
            launch.searchCurrentDirectory = true;
            const RunOutcome outcome = RunEncoderProcess(launch, real_, host);
            ASSERT_EQ(outcome.result, kRunCompleted) << *line;
            const std::optional<ChildRecord> ran = ReadRecord(record);
            ASSERT_TRUE(ran) << *line;
            EXPECT_EQ(ran->exe, fs::canonical(encoderFolder + "/aacenc.exe").string());
            EXPECT_EQ(ran->cwd, fs::canonical(encoderFolder).string());
            const std::vector<std::string> args = ran->args;
            ASSERT_GE(args.size(), 3U) << *line;
            EXPECT_EQ(args[0], kEncoderProgram);
            EXPECT_NE(std::find(args.begin(), args.end(), SourcePath(inputs, name)), args.end())
                << *line;
            EXPECT_NE(std::find(args.begin(), args.end(), OutputPath(inputs, name)), args.end())
                << *line;
            EXPECT_EQ(SplitCommandLine(*line), args) << *line;
        }
    }
}

}  // namespace
}  // namespace corvane
