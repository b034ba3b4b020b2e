#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "encoding/commandline.h"
#include "platform/application.h"
#include "platform/childprocess.h"
#include "platform/recordingdialogs.h"
#include "settings/choices.h"
#include "support/audiofiles.h"
#include "support/testsupport.h"
#include "window/mainaac.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::ExpectEncoding;
using test::TempDir;
using test::Tone;
using test::Names;
using test::WriteWav;

// Every child of `pid`, over all its threads; the files under /proc vanish
// with the processes, so no step may throw.
std::vector<pid_t> ChildrenOf(pid_t pid) {
    std::vector<pid_t> children;
    std::error_code ec;
    for (fs::directory_iterator task("/proc/" + std::to_string(pid) + "/task", ec), end;
         !ec && task != end; task.increment(ec)) {
        std::ifstream list(task->path() / "children");
        for (pid_t child = 0; list >> child;) {
            children.push_back(child);
        }
    }
    return children;
}

struct ProcessState {
    char state = 0;  // 0 when the process is gone
    pid_t group = 0;
};

ProcessState StateOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
        return {};
    }
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    ProcessState process;
    pid_t parent = 0;
    fields >> process.state >> parent >> process.group;
    return process;
}

bool Running(pid_t pid) {
    const char state = StateOf(pid).state;
    return state != 0 && state != 'Z';
}

// The processes of group `group` that have not ended.
std::vector<pid_t> LiveMembers(pid_t group) {
    std::vector<pid_t> members;
    std::error_code ec;
    for (fs::directory_iterator entry("/proc", ec), end; !ec && entry != end; entry.increment(ec)) {
        const std::string name = entry->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const pid_t pid = std::stoi(name);
        const ProcessState process = StateOf(pid);
        if (process.group == group && process.state != 0 && process.state != 'Z') {
            members.push_back(pid);
        }
    }
    return members;
}

bool KillPending(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("ShdPnd:", 0) == 0 || line.rfind("SigPnd:", 0) == 0) {
            const unsigned long long pending = std::stoull(line.substr(7), nullptr, 16);
            if ((pending & (1ull << (SIGKILL - 1))) != 0) {
                return true;
            }
        }
    }
    return false;
}

// How far the process has read into the file `path`.
long long ReadSoFar(pid_t pid, const std::string& path) {
    const std::string proc = "/proc/" + std::to_string(pid);
    long long furthest = 0;
    std::error_code ec;
    for (fs::directory_iterator fd(proc + "/fd", ec), end; !ec && fd != end; fd.increment(ec)) {
        if (fs::read_symlink(fd->path(), ec).string() != path) {
            continue;
        }
        std::ifstream info(proc + "/fdinfo/" + fd->path().filename().string());
        std::string key;
        long long position = 0;
        if (info >> key >> position && key == "pos:") {
            furthest = std::max(furthest, position);
        }
    }
    return furthest;
}

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<TAacMain>(application_,
                                             [this](const std::string& text, const std::string&) {
                                                 saveFailure_ = text;
                                                 return SaveFailureChoice::CloseWithoutSaving;
                                             });
        window_->show();
        QApplication::processEvents();
        ASSERT_NE(window_->SettingsRecord(), nullptr);
    }

    void TearDown() override {
        window_->close();
        EXPECT_EQ(saveFailure_, "");
    }

    // What a double click on the folder in the folder list does.
    void Open(const std::string& folder) { window_->DirectoryListBox->SetDirectory(folder); }

    // What the user's choice in the encoder and bitrate boxes does.
    void Choose(int32_t encoder, int bitratePosition) {
        window_->EncoderBox->SetItemIndex(encoder);
        window_->EncoderBoxChange();
        window_->BitrateBox->SetItemIndex(bitratePosition);
        window_->BitrateBoxChange();
    }

    // Add All, then the start button; the run has ended when the click returns.
    void AddAllAndStart() {
        window_->AddAllBtn->click();
        ASSERT_GT(window_->DestList->Count(), 0);
        window_->EncodeBtn->click();
        EXPECT_FALSE(window_->RunInProgress());
    }

    std::string Status() const { return window_->StatusBar->currentMessage().toStdString(); }

    void ExpectIdle() const {
        EXPECT_TRUE(window_->EncodeBtn->isVisible());
        EXPECT_FALSE(window_->KillEncode->isVisible());
        for (LockedControl control : kLockList) {
            EXPECT_TRUE(window_->LockedWidget(control)->isEnabled()) << static_cast<int>(control);
        }
    }

    test::RecordingDialogs dialogs_;
    TApplication application_{dialogs_};
    TempDir music_;
    test::ScopedCurrentDirectory keepDirectory_;
    std::string saveFailure_;
    std::unique_ptr<TAacMain> window_;
};

// With the settings of a first run, the run cannot enter the "None" encoder
// folder, so it stays in the folder shown, finds the bundled encoder in the
// program's own folder and writes beside the sources into "Default".
TEST_F(EndToEndTest, OutOfTheBoxTheFilesLandInDefaultBesideTheSources) {
    ASSERT_EQ(window_->HomeDirCaption(), kDefaultEncoderDir);
    ASSERT_EQ(window_->QuarDirCaption(), kDefaultEncoderDir);
    ASSERT_EQ(window_->OutputDirCaption(), kDefaultOutputDir);
    ASSERT_EQ(window_->SettingsRecord()->Encoder, kQuartexEncoder);
    ASSERT_EQ(window_->BitrateText(), "128000 ");
    ASSERT_FALSE(FindProgram(kEncoderProgram, false, std::getenv("PATH"), {}))
        << "an encoder on PATH would be found before the program's own folder";

    const struct {
        std::string name;
        Tone tone;
        std::string aac;
    } files[] = {
        {"one.wav", {44100, 1, 0.3}, "one.aac"},
        {"two words here.wav", {48000, 2, 1.0}, "two words here.aac"},
        {"say \"hi\".wav", {48000, 1, 0.6}, "say \"hi\".aac"},
        {"caf\xe9 \xff\xfe.wav", {44100, 2, 2.0}, "caf\xe9 \xff\xfe.aac"},
        {"LOUD.WAV", {44100, 2, 1.3}, "LOUD.aac"},
    };
    std::vector<std::string> expected;
    for (const auto& file : files) {
        WriteWav(music_.Child(file.name), file.tone);
        expected.push_back(file.aac);
    }
    std::sort(expected.begin(), expected.end());

    Open(music_.Path());
    AddAllAndStart();

    EXPECT_EQ(Status(), "Done Encoding");
    EXPECT_EQ(dialogs_.messageBoxes, std::vector<test::RecordingDialogs::Box>{});
    ExpectIdle();
    ASSERT_TRUE(fs::is_directory(music_.Child("Default")));
    EXPECT_EQ(Names(music_.Child("Default")), expected);
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        ExpectEncoding(music_.Child("Default/" + file.aac), file.tone, 128000);
    }
}

// One window, one run after another, as a user changes the choice between runs.
TEST_F(EndToEndTest, EachEncoderFormEncodesAtTheBitrateChosen) {
    const struct {
        int32_t encoder;
        int position;
        long bitrate;
    } cases[] = {
        {kHomeboyEncoder, 6, 96000},
        {kHomeboyEncoder, 8, 128000},
        {kQuartexEncoder, 4, 64000},
        {kQuartexEncoder, 6, 96000},
    };
    const Tone mono{44100, 1, 0.4};
    const Tone stereo{48000, 2, 0.7};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "encoder " << c.encoder << " position " << c.position);
        const TempDir folder;
        WriteWav(folder.Child("mono.wav"), mono);
        WriteWav(folder.Child("stereo.wav"), stereo);
        Open(folder.Path());
        Choose(c.encoder, c.position);
        ASSERT_EQ(window_->BitrateText(), kBitrateEntries.at(c.position));
        AddAllAndStart();

        EXPECT_EQ(Status(), "Done Encoding");
        EXPECT_EQ(Names(folder.Child("Default")),
                  (std::vector<std::string>{"mono.aac", "stereo.aac"}));
        ExpectEncoding(folder.Child("Default/mono.aac"), mono, c.bitrate);
        ExpectEncoding(folder.Child("Default/stereo.aac"), stereo, c.bitrate);
        Open(music_.Path());
    }
    EXPECT_EQ(dialogs_.messageBoxes, std::vector<test::RecordingDialogs::Box>{});
}

TEST_F(EndToEndTest, AFileThatIsNoWavIsReportedAndTheOthersStillEncode) {
    const Tone tone{44100, 2, 0.5};
    WriteWav(music_.Child("a.wav"), tone);
    test::WriteFile(music_.Child("b.wav"), "these are words, not audio\n");
    WriteWav(music_.Child("c.wav"), tone);
    Open(music_.Path());
    AddAllAndStart();

    EXPECT_EQ(Status(), "Done Encoding - 1 of 3 files failed");
    EXPECT_EQ(dialogs_.messageBoxes,
              (std::vector<test::RecordingDialogs::Box>{
                  {"This file failed to encode:\nb.wav - exit code 3, no output file", "Error"}}));
    ExpectIdle();
    EXPECT_EQ(Names(music_.Child("Default")), (std::vector<std::string>{"a.aac", "c.aac"}));
    ExpectEncoding(music_.Child("Default/a.aac"), tone, 128000);
    ExpectEncoding(music_.Child("Default/c.aac"), tone, 128000);
}

// Stop is pressed from a timer that fires while the runner dispatches the
// window's messages, once the encoder's ffmpeg is well into the long file.
TEST_F(EndToEndTest, StopInTheMiddleOfALongFileEndsTheEncoderAndItsFfmpeg) {
    const Tone tone{44100, 1, 0.3};
    WriteWav(music_.Child("a.wav"), tone);
    test::WriteLongWav(music_.Child("b long.wav"));
    WriteWav(music_.Child("c.wav"), tone);
    const std::string source = fs::canonical(music_.Child("b long.wav")).string();

    pid_t encoder = 0;
    pid_t ffmpeg = 0;
    bool stoppedInTime = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    QTimer stopper;
    stopper.setInterval(10);
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        for (const pid_t child : ChildrenOf(::getpid())) {
            for (const pid_t grandchild : ChildrenOf(child)) {
                if (ReadSoFar(grandchild, source) >= 1000000) {
                    encoder = child;
                    ffmpeg = grandchild;
                    stoppedInTime = true;
                }
            }
        }
        if (stoppedInTime || std::chrono::steady_clock::now() > deadline) {
            stopper.stop();
            window_->KillEncode->click();
        }
    });
    stopper.start();
    Open(music_.Path());
    AddAllAndStart();

    ASSERT_TRUE(stoppedInTime) << "ffmpeg never got going on the long file";
    EXPECT_EQ(Status(), "Encoding Aborted By User");
    EXPECT_EQ(dialogs_.messageBoxes, std::vector<test::RecordingDialogs::Box>{});
    ExpectIdle();
    EXPECT_FALSE(window_->SettingsRecord()->AbortRequested);

    // The encoder, leading a process group of its own, has been reaped; what is
    // left of its group is already under SIGKILL and ends within moments.
    EXPECT_EQ(ChildrenOf(::getpid()), std::vector<pid_t>{});
    EXPECT_FALSE(Running(encoder));
    for (const pid_t member : LiveMembers(encoder)) {
        EXPECT_TRUE(KillPending(member)) << member;
    }
    const auto gone = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!LiveMembers(encoder).empty() && std::chrono::steady_clock::now() < gone) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(LiveMembers(encoder), std::vector<pid_t>{});
    EXPECT_FALSE(Running(ffmpeg));

    EXPECT_TRUE(fs::exists(music_.Child("Default/a.aac")));
    EXPECT_FALSE(fs::exists(music_.Child("Default/b long.aac")));
    EXPECT_FALSE(fs::exists(music_.Child("Default/c.aac")));
    for (const std::string& name : Names(music_.Child("Default"))) {
        if (name != "a.aac") {
            EXPECT_NE(name.find(".partial-"), std::string::npos) << name;
        }
    }
}

}  // namespace
}  // namespace corvane
