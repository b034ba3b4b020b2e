#include "encoding/batchrun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "encoding/posixprocesses.h"
#include "platform/paths.h"
#include "support/testsupport.h"

namespace corvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

// The record's six window settings and error display, for a record on the
// test's own temporary store.
class StubControls : public SettingsControls, public ErrorDisplay {
public:
    std::string HomeDirCaption() const override { return "None"; }
    void SetHomeDirCaption(const std::string&) override {}
    std::string QuarDirCaption() const override { return "None"; }
    void SetQuarDirCaption(const std::string&) override {}
    std::string OutputDirCaption() const override { return "Default"; }
    void SetOutputDirCaption(const std::string&) override {}
    bool CheckMinimizeChecked() const override { return false; }
    void SetCheckMinimizeChecked(bool) override {}
    bool CheckBeepChecked() const override { return true; }
    void SetCheckBeepChecked(bool) override {}
    bool CheckHideEncChecked() const override { return true; }
    void SetCheckHideEncChecked(bool) override {}
    void ShowError(const Exception& error) override { ADD_FAILURE() << error.Message(); }
};

// Records what a run does to the window, in order, and runs encoders for real.
class RecordingView : public RunView, public RunnerHost {
public:
    explicit RecordingView(TAacCfg& cfg) : cfg_(cfg) {
        for (LockedControl control : kLockList) {
            enabled[control] = true;
        }
    }

    // The window's state.
    std::vector<std::string> list;
    std::string sourceDir, outputDir, homeDir = "None", quarDir = "None";
    std::string bitrateText = "128000 ";
    int32_t bitrateIndex = 8;
    bool minimizeChecked = false, hideEncChecked = true, beepChecked = true;
    std::map<LockedControl, bool> enabled;
    bool encodeVisible = true, killVisible = false;
    std::string status, title = "Corvane 0.5";
    bool minimized = false;

    // What happened.
    std::vector<std::string> events;
    std::vector<EncoderLaunch> launches;
    std::vector<std::string> messageBoxes;
    std::vector<bool> minimizedAtMessageBox;
    int beeps = 0;
    int toggles = 0;

    // Called before each file's encoder starts, and in every message dispatch.
    std::function<void(int file)> beforeEncoder;
    std::function<void(int file, int slice)> onDispatch;

    int EncodeListCount() const override { return static_cast<int>(list.size()); }
    std::string EncodeListEntry(int index) const override {
        return list.at(static_cast<size_t>(index));
    }
    std::string FileListDirectory() const override { return sourceDir; }
    std::string OutputDirCaption() const override { return outputDir; }
    std::string HomeDirCaption() const override { return homeDir; }
    std::string QuarDirCaption() const override { return quarDir; }
    std::string BitrateText() const override { return bitrateText; }
    int32_t BitrateItemIndex() const override { return bitrateIndex; }
    bool CheckMinimizeChecked() const override { return minimizeChecked; }
    bool CheckHideEncChecked() const override { return hideEncChecked; }
    bool CheckBeepChecked() const override { return beepChecked; }

    void ShowButton(RunButton b) override {
        (b == RunButton::EncodeBtn ? encodeVisible : killVisible) = true;
        events.push_back(b == RunButton::EncodeBtn ? "show EncodeBtn" : "show KillEncode");
    }
    void HideButton(RunButton b) override {
        (b == RunButton::EncodeBtn ? encodeVisible : killVisible) = false;
        events.push_back(b == RunButton::EncodeBtn ? "hide EncodeBtn" : "hide KillEncode");
    }
    bool ControlEnabled(LockedControl c) const override { return enabled.at(c); }
    void SetControlEnabled(LockedControl c, bool value) override {
        enabled[c] = value;
        if (c == kLockList.back()) {
            events.push_back(value ? "unlock" : "lock");
            ++toggles;
        }
    }
    void SetStatusText(const std::string& text) override {
        status = text;
        events.push_back("status " + text);
    }
    std::string ApplicationTitle() const override { return title; }
    void SetApplicationTitle(const std::string& text) override {
        title = text;
        events.push_back("title " + text);
    }
    void MinimizeApplication() override {
        minimized = true;
        events.push_back("minimize");
    }
    void RestoreApplication() override {
        minimized = false;
        events.push_back("restore");
    }
    void MessageBox(const std::string& text) override {
        messageBoxes.push_back(text);
        minimizedAtMessageBox.push_back(minimized);
        events.push_back("box " + text);
    }
    void Beep() override {
        ++beeps;
        events.push_back("beep");
    }
    int ChangeDirectory(const std::string& folder) override {
        events.push_back("chdir " + folder);
        return corvane::ChangeDirectory(folder);
    }
    RunOutcome RunEncoder(const EncoderLaunch& launch) override {
        launches.push_back(launch);
        file_ = static_cast<int>(launches.size()) - 1;
        slice_ = 0;
        if (beforeEncoder) {
            beforeEncoder(file_);
        }
        return RunEncoderProcess(launch, processes_, *this);
    }

    void ProcessMessages() override {
        if (onDispatch) {
            onDispatch(file_, slice_++);
        }
    }
    bool AbortRequested() const override { return cfg_.AbortRequested; }

    bool AllEnabled() const {
        for (const auto& [control, on] : enabled) {
            if (!on) {
                return false;
            }
        }
        return true;
    }

private:
    TAacCfg& cfg_;
    PosixEncoderProcesses processes_;
    int file_ = -1;
    int slice_ = 0;
};

class BatchRunTest : public ::testing::Test {
public:
    void SetUp() override {
        fs::create_directories(SourceDir());
        fs::create_directories(EncoderDirPath());
        test::InstallHelper("fakeenc", EncoderDirPath(), "aacenc.exe");
        ::setenv("CORVANE_FAKEENC_LOG", LogPath().c_str(), 1);
        cfg.Encoder = 1;
        cfg.Priority = 32;
        view.sourceDir = SourceDir();
        view.outputDir = root.Child("out");
        fs::create_directories(view.outputDir);
        view.quarDir = EncoderDirPath();
        view.homeDir = EncoderDirPath();
    }

    std::string SourceDir() const { return root.Child("src"); }
    std::string EncoderDirPath() const { return root.Child("enc"); }
    std::string LogPath() const { return root.Child("encoder.log"); }

    // Adds a source file whose content tells the stand-in encoder what to do.
    void AddFile(const std::string& name, const std::string& directives = "") {
        test::WriteFile(SourceDir() + "/" + name, directives);
        view.list.push_back(name);
    }

    // The source names the encoder saw, in order.
    std::vector<std::string> EncodedNames() const {
        std::vector<std::string> names;
        std::istringstream log(test::ReadFile(LogPath()));
        std::string line;
        while (std::getline(log, line)) {
            const auto first = line.find('\t');
            const auto second = line.find('\t', first + 1);
            names.push_back(
                fs::path(line.substr(first + 1, second - first - 1)).filename().string());
        }
        return names;
    }

public:
    test::ScopedCurrentDirectory keepCwd;
    test::TempDir root;
    StubControls stub;
    TAacCfg cfg{stub, stub};
    RecordingView view{cfg};
    BatchRun run{view, cfg};
};

TEST_F(BatchRunTest, EmptyListOnlySaysSo) {
    run.EncodeBtnClick();
    EXPECT_THAT(view.events, ElementsAre("status List is Empty !"));
    EXPECT_TRUE(view.encodeVisible);
    EXPECT_FALSE(view.killVisible);
    EXPECT_EQ(view.beeps, 0);
    EXPECT_FALSE(run.Running());
}

TEST_F(BatchRunTest, OneFileRunsThroughEveryStepInOrder) {
    AddFile("track01.wav");
    run.EncodeBtnClick();
    EXPECT_THAT(view.events, ElementsAre("hide EncodeBtn", "show KillEncode", "lock",
                                         "chdir " + EncoderDirPath(), "title Encoding track01.wav",
                                         "status AAC Encoding track01.wav", "title Corvane 0.5",
                                         "status Done Encoding", "unlock", "hide KillEncode",
                                         "show EncodeBtn", "beep"));
    ASSERT_EQ(view.launches.size(), 1u);
    EXPECT_EQ(view.launches[0].commandLine, "aacenc.exe \"" + SourceDir() + "/track01.wav\" \"" +
                                                view.outputDir + "/track01.aac\" 128");
    EXPECT_EQ(view.launches[0].showMode, kShowHidden);
    EXPECT_TRUE(view.launches[0].searchCurrentDirectory);
    EXPECT_TRUE(fs::exists(view.outputDir + "/track01.aac"));
    EXPECT_EQ(CurrentDirectory(), EncoderDirPath());
    EXPECT_THAT(view.list, ElementsAre("track01.wav"));
    EXPECT_TRUE(view.AllEnabled());
    EXPECT_FALSE(cfg.AbortRequested);
}

TEST_F(BatchRunTest, OptionsReachTheLaunch) {
    AddFile("a.wav");
    view.hideEncChecked = false;
    view.beepChecked = false;
    cfg.Priority = 64;
    cfg.Encoder = 0;
    run.EncodeBtnClick();
    ASSERT_EQ(view.launches.size(), 1u);
    EXPECT_EQ(view.launches[0].showMode, kShowDefault);
    EXPECT_EQ(view.launches[0].priorityClass, 64);
    EXPECT_THAT(view.launches[0].commandLine, HasSubstr("-r 128000 -c"));
    EXPECT_EQ(view.beeps, 0);
}

TEST_F(BatchRunTest, FilesFollowTheListAndInputsAreTakenOnce) {
    AddFile("a.wav", "sleep 250");
    AddFile("b.wav");
    AddFile("c.wav");
    AddFile("d.wav");
    const std::string firstOutput = view.outputDir;
    view.onDispatch = [&](int file, int slice) {
        if (file == 0 && slice == 0) {
            view.outputDir = root.Child("elsewhere");  // a folder chosen during the run
            view.list.pop_back();                      // the count is read before each file
        }
    };
    run.EncodeBtnClick();
    EXPECT_THAT(EncodedNames(), ElementsAre("a.wav", "b.wav", "c.wav"));
    for (const char* name : {"a.aac", "b.aac", "c.aac"}) {
        EXPECT_TRUE(fs::exists(firstOutput + "/" + name)) << name;
    }
    EXPECT_EQ(view.status, "Done Encoding");
}

TEST_F(BatchRunTest, StopDuringAFileEndsTheRunWithoutDone) {
    AddFile("a.wav", "sleep 10000");
    AddFile("b.wav");
    view.onDispatch = [&](int, int slice) {
        if (slice == 1) {
            run.KillEncodeClick();
        }
    };
    const auto start = std::chrono::steady_clock::now();
    run.EncodeBtnClick();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(view.status, "Encoding Aborted By User");
    EXPECT_EQ(view.launches.size(), 1u);
    EXPECT_EQ(view.beeps, 1);
    EXPECT_FALSE(cfg.AbortRequested);
    EXPECT_TRUE(view.encodeVisible);
    EXPECT_TRUE(view.messageBoxes.empty());  // the stopped file is not a failure

    // The flag is clear again, so the next press starts a new run.
    view.onDispatch = nullptr;
    view.list = {"b.wav"};
    run.EncodeBtnClick();
    EXPECT_EQ(view.status, "Done Encoding");
}

TEST_F(BatchRunTest, StopBetweenFilesIsSeenByTheNextFilesRunner) {
    AddFile("a.wav");
    AddFile("b.wav", "sleep 10000");
    AddFile("c.wav");
    view.beforeEncoder = [&](int file) {
        if (file == 1) {
            run.KillEncodeClick();
        }
    };
    run.EncodeBtnClick();
    EXPECT_EQ(view.launches.size(), 2u);
    EXPECT_EQ(view.status, "Encoding Aborted By User");
    EXPECT_THAT(EncodedNames(), ElementsAre("a.wav", "b.wav"));
}

TEST_F(BatchRunTest, MissingEncoderForTheThirdOfFiveEndsTheRun) {
    for (const char* name : {"1.wav", "2.wav", "3.wav", "4.wav", "5.wav"}) {
        AddFile(name);
    }
    view.beforeEncoder = [&](int file) {
        if (file == 2) {
            fs::remove(EncoderDirPath() + "/aacenc.exe");
        }
    };
    run.EncodeBtnClick();
    EXPECT_THAT(EncodedNames(), ElementsAre("1.wav", "2.wav"));
    EXPECT_EQ(view.launches.size(), 3u);
    EXPECT_THAT(view.messageBoxes, ElementsAre("Error - Encoder Not Found"));
    EXPECT_EQ(view.status, "Done Encoding");
    EXPECT_EQ(view.beeps, 1);
    EXPECT_THAT(view.list.size(), 5u);
}

TEST_F(BatchRunTest, InvalidEncoderIsRefusedAndTheWindowReturnsToIdle) {
    for (int32_t encoder : {-1, 2, 5}) {
        StubControls localStub;
        TAacCfg localCfg(localStub, localStub);
        localCfg.Encoder = encoder;
        RecordingView localView(localCfg);
        localView.list = {"a.wav"};
        localView.minimizeChecked = true;
        localView.status = "before";
        BatchRun localRun(localView, localCfg);
        localRun.EncodeBtnClick();
        EXPECT_THAT(localView.messageBoxes, ElementsAre("Invalid Encoder Selected"));
        EXPECT_THAT(localView.events, ElementsAre("hide EncodeBtn", "show KillEncode", "minimize",
                                                  "lock", "box Invalid Encoder Selected", "restore",
                                                  "unlock", "hide KillEncode", "show EncodeBtn"))
            << encoder;
        EXPECT_EQ(localView.status, "before");
        EXPECT_EQ(localView.beeps, 0);
        EXPECT_TRUE(localView.AllEnabled());
        EXPECT_FALSE(localCfg.AbortRequested);
    }
}

TEST_F(BatchRunTest, MinimizeOnEncodeRestoresAfterEveryEnding) {
    const struct {
        const char* name;
        std::function<void(BatchRunTest&)> arrange;
        const char* status;
    } endings[] = {
        {"complete", [](BatchRunTest&) {}, "Done Encoding"},
        {"stopped",
         [](BatchRunTest& t) { t.view.onDispatch = [&t](int, int) { t.run.KillEncodeClick(); }; },
         "Encoding Aborted By User"},
        {"not found", [](BatchRunTest& t) { fs::remove(t.EncoderDirPath() + "/aacenc.exe"); },
         "Done Encoding"},
    };
    for (const auto& ending : endings) {
        test::InstallHelper("fakeenc", EncoderDirPath(), "aacenc.exe");
        view.events.clear();
        view.messageBoxes.clear();
        view.onDispatch = nullptr;
        view.list.clear();
        AddFile("a.wav", "sleep 400");
        view.minimizeChecked = true;
        ending.arrange(*this);
        run.EncodeBtnClick();
        EXPECT_FALSE(view.minimized) << ending.name;
        EXPECT_EQ(view.events.at(2), "minimize") << ending.name;
        EXPECT_EQ(view.status, ending.status) << ending.name;
        for (bool minimizedThen : view.minimizedAtMessageBox) {
            EXPECT_TRUE(minimizedThen) << ending.name;  // the error box comes while minimized
        }
        view.minimizedAtMessageBox.clear();
    }
}

TEST_F(BatchRunTest, WithoutMinimizeTheApplicationIsLeftAlone) {
    AddFile("a.wav");
    run.EncodeBtnClick();
    for (const std::string& event : view.events) {
        EXPECT_NE(event, "minimize");
        EXPECT_NE(event, "restore");
    }
}

TEST_F(BatchRunTest, FailedFilesAreReportedAndTheRunGoesOn) {
    AddFile("a.wav");
    AddFile("b.wav", "exit 3");
    AddFile("c.wav", "nooutput");
    AddFile("d.wav", "emptyoutput");
    AddFile("e.wav");
    run.EncodeBtnClick();
    EXPECT_THAT(EncodedNames(), ElementsAre("a.wav", "b.wav", "c.wav", "d.wav", "e.wav"));
    EXPECT_EQ(view.status, "Done Encoding - 3 of 5 files failed");
    EXPECT_THAT(view.messageBoxes,
                ElementsAre("These files failed to encode:\nb.wav - exit code 3\n"
                            "c.wav - exit code 0, no output file\n"
                            "d.wav - exit code 0, empty output file"));
    EXPECT_EQ(view.beeps, 1);
}

TEST_F(BatchRunTest, RelativeOutputFolderIsCheckedBelowTheEncoderFolder) {
    view.outputDir = "Default";
    fs::create_directories(EncoderDirPath() + "/Default");
    AddFile("a.wav");
    run.EncodeBtnClick();
    EXPECT_TRUE(fs::exists(EncoderDirPath() + "/Default/a.aac"));
    EXPECT_EQ(view.status, "Done Encoding");
}

TEST_F(BatchRunTest, FolderThatCannotBeEnteredLeavesTheCurrentDirectoryOutOfTheLookup) {
    // An aacenc.exe in the current directory must not be found when the run
    // did not enter the encoder folder.
    test::InstallHelper("fakeenc", SourceDir(), "aacenc.exe");
    ASSERT_EQ(corvane::ChangeDirectory(SourceDir()), 0);
    view.quarDir = "None";
    AddFile("a.wav");
    run.EncodeBtnClick();
    ASSERT_EQ(view.launches.size(), 1u);
    EXPECT_FALSE(view.launches[0].searchCurrentDirectory);
    EXPECT_THAT(view.messageBoxes, ElementsAre("Error - Encoder Not Found"));
    EXPECT_EQ(CurrentDirectory(), SourceDir());
}

TEST_F(BatchRunTest, CloseDuringARunActsAsStopAndIsRemembered) {
    AddFile("a.wav", "sleep 10000");
    AddFile("b.wav");
    bool runningInside = false;
    view.onDispatch = [&](int, int) {
        runningInside = run.Running();
        run.RequestClose();
    };
    run.EncodeBtnClick();
    EXPECT_TRUE(runningInside);
    EXPECT_FALSE(run.Running());
    EXPECT_TRUE(run.ClosePending());
    EXPECT_EQ(view.status, "Encoding Aborted By User");
    EXPECT_EQ(view.launches.size(), 1u);
}

TEST(ToggleControls, FlipsEachControlOfTheLockListInOrder) {
    StubControls stub;
    TAacCfg cfg(stub, stub);
    RecordingView view(cfg);
    view.enabled[LockedControl::DestList] = false;
    ToggleControls(view);
    for (LockedControl control : kLockList) {
        EXPECT_EQ(view.enabled[control], control == LockedControl::DestList);
    }
    ToggleControls(view);
    EXPECT_FALSE(view.enabled[LockedControl::DestList]);
    EXPECT_TRUE(view.enabled[LockedControl::EncodeBtn]);
}

TEST(FailedFilesText, ListsTwentyNamesThenHowManyMore) {
    std::vector<FailedFile> failed;
    for (int i = 0; i < 25; ++i) {
        failed.push_back({"f" + std::to_string(i) + ".wav", 1, FailedFile::Output::Written});
    }
    const std::string text = FailedFilesText(failed);
    EXPECT_THAT(text, HasSubstr("f19.wav - exit code 1\nand 5 more"));
    EXPECT_EQ(text.find("f20.wav"), std::string::npos);
    EXPECT_EQ(FailedFilesText({{"x.wav", 2, FailedFile::Output::Missing}}),
              "This file failed to encode:\nx.wav - exit code 2, no output file");
}

}  // namespace
}  // namespace corvane
