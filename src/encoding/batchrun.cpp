#include "encoding/batchrun.h"

#include <sys/stat.h>

#include "platform/paths.h"

namespace corvane {

namespace {

constexpr size_t kListedFailures = 20;

// Clears the running flag however the run leaves, so a failure inside a
// handler never leaves the window believing a run is still in progress.
class RunningScope {
public:
    explicit RunningScope(bool& running) : running_(running) { running_ = true; }
    ~RunningScope() { running_ = false; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

private:
    bool& running_;
};

}  // namespace

void ToggleControls(RunView& view) {
    for (LockedControl control : kLockList) {
        view.SetControlEnabled(control, !view.ControlEnabled(control));
    }
}

std::string FailedFilesText(const std::vector<FailedFile>& failed) {
    std::string text =
        failed.size() == 1 ? "This file failed to encode:" : "These files failed to encode:";
    for (size_t i = 0; i < failed.size() && i < kListedFailures; ++i) {
        const FailedFile& file = failed[i];
        text += '\n';
        text += file.name;
        text += " - exit code ";
        text += std::to_string(file.exitCode);
        if (file.output == FailedFile::Output::Missing) {
            text += ", no output file";
        } else if (file.output == FailedFile::Output::Empty) {
            text += ", empty output file";
        }
    }
    if (failed.size() > kListedFailures) {
        text += "\nand " + std::to_string(failed.size() - kListedFailures) + " more";
    }
    return text;
}

void BatchRun::KillEncodeClick() {
    cfg_.AbortRequested = true;
}

void BatchRun::RequestClose() {
    if (!running_) {
        return;
    }
    closePending_ = true;
    KillEncodeClick();
}

void BatchRun::EncodeBtnClick() {
    if (running_) {
        return;
    }
    if (view_.EncodeListCount() == 0) {
        view_.SetStatusText("List is Empty !");
        return;
    }
    RunningScope scope(running_);
    Run();
}

void BatchRun::ReturnToIdle() {
    ToggleControls(view_);
    view_.HideButton(RunButton::KillEncode);
    view_.ShowButton(RunButton::EncodeBtn);
    cfg_.AbortRequested = false;
}

void BatchRun::CheckFile(const CommandLineInputs& inputs, const std::string& name,
                         const RunOutcome& outcome, std::vector<FailedFile>& failed) {
    FailedFile file{name, outcome.exitCode.value_or(0), FailedFile::Output::Written};
    // A relative output path names a file below the run's current directory,
    // which is where the encoder resolved it too.
    struct stat info {};
    const std::string output = OutputPath(inputs, name);
    if (::stat(output.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        file.output = FailedFile::Output::Missing;
    } else if (info.st_size == 0) {
        file.output = FailedFile::Output::Empty;
    }
    if (file.exitCode != 0 || file.output != FailedFile::Output::Written) {
        failed.push_back(std::move(file));
    }
}

void BatchRun::Run() {
    view_.HideButton(RunButton::EncodeBtn);
    view_.ShowButton(RunButton::KillEncode);
    if (view_.CheckMinimizeChecked()) {
        view_.MinimizeApplication();
    }
    ToggleControls(view_);
    const std::string savedTitle = view_.ApplicationTitle();

    CommandLineInputs inputs;
    inputs.sourceFolder = view_.FileListDirectory();
    inputs.outputFolder = view_.OutputDirCaption();
    inputs.bitrateText = view_.BitrateText();
    inputs.bitratePosition = view_.BitrateItemIndex();
    inputs.encoder = cfg_.Encoder;
    inputs.separator = kPathSeparator;
    const std::optional<std::string> encoderDir =
        EncoderDir(inputs.encoder, view_.HomeDirCaption(), view_.QuarDirCaption());

    if (!encoderDir) {
        view_.MessageBox("Invalid Encoder Selected");
        if (view_.CheckMinimizeChecked()) {
            view_.RestoreApplication();
        }
        ReturnToIdle();
        return;
    }

    const bool enteredEncoderDir = view_.ChangeDirectory(*encoderDir) == 0;
    const uint16_t showMode = view_.CheckHideEncChecked() ? kShowHidden : kShowDefault;

    int completed = 0;
    std::vector<FailedFile> failed;
    for (int position = 0; position < view_.EncodeListCount() && !cfg_.AbortRequested;) {
        const std::string name = view_.EncodeListEntry(position);
        EncoderLaunch launch;
        launch.commandLine = *BuildCommandLine(inputs, name);
        launch.showMode = showMode;
        launch.priorityClass = cfg_.Priority;
        launch.searchCurrentDirectory = enteredEncoderDir;
        view_.SetApplicationTitle("Encoding " + name);
        view_.SetStatusText("AAC Encoding " + name);

        const RunOutcome outcome = view_.RunEncoder(launch);
        if (outcome.result == kRunStopped) {
            view_.SetStatusText("Encoding Aborted By User");
            break;
        }
        if (outcome.result == kRunNotStarted) {
            view_.SetStatusText("Error - Encoder Not Found");
            view_.MessageBox("Error - Encoder Not Found");
            break;
        }
        ++completed;
        CheckFile(inputs, name, outcome, failed);
        ++position;
    }

    view_.SetApplicationTitle(savedTitle);
    if (view_.CheckMinimizeChecked()) {
        view_.RestoreApplication();
    }
    if (!cfg_.AbortRequested) {
        view_.SetStatusText(failed.empty()
                                ? std::string("Done Encoding")
                                : "Done Encoding - " + std::to_string(failed.size()) + " of " +
                                      std::to_string(completed) + " files failed");
    }
    if (!failed.empty()) {
        view_.MessageBox(FailedFilesText(failed));
    }
    ReturnToIdle();
    if (view_.CheckBeepChecked()) {
        view_.Beep();
    }
}

}  // namespace corvane
