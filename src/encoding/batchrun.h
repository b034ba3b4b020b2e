#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "encoding/commandline.h"
#include "encoding/runner.h"
#include "settings/aacconfig.h"

namespace corvane {

// The controls a run disables, in the order ToggleControls treats them.
enum class LockedControl {
    AddAllBtn,
    AddFileBtn,
    BrowseButton1,
    BrowseButton2,
    CheckBeep,
    CheckHideEnc,
    CheckMinimize,
    BitrateBox,
    DestList,
    DirectoryListBox,
    DriveComboBox,
    EncodeBtn,
    EncoderBox,
    FileListBox,
    PriorityBox,
    RemoveBtn,
    RemoveAllBtn,
};

inline constexpr std::array<LockedControl, 17> kLockList{
    LockedControl::AddAllBtn,        LockedControl::AddFileBtn,    LockedControl::BrowseButton1,
    LockedControl::BrowseButton2,    LockedControl::CheckBeep,     LockedControl::CheckHideEnc,
    LockedControl::CheckMinimize,    LockedControl::BitrateBox,    LockedControl::DestList,
    LockedControl::DirectoryListBox, LockedControl::DriveComboBox, LockedControl::EncodeBtn,
    LockedControl::EncoderBox,       LockedControl::FileListBox,   LockedControl::PriorityBox,
    LockedControl::RemoveBtn,        LockedControl::RemoveAllBtn,
};

enum class RunButton { EncodeBtn, KillEncode };

// What a run needs of the window and the application.
class RunView {
public:
    virtual ~RunView() = default;

    virtual int EncodeListCount() const = 0;
    virtual std::string EncodeListEntry(int index) const = 0;
    virtual std::string FileListDirectory() const = 0;
    virtual std::string OutputDirCaption() const = 0;
    virtual std::string HomeDirCaption() const = 0;
    virtual std::string QuarDirCaption() const = 0;
    virtual std::string BitrateText() const = 0;
    virtual int32_t BitrateItemIndex() const = 0;
    virtual bool CheckMinimizeChecked() const = 0;
    virtual bool CheckHideEncChecked() const = 0;
    virtual bool CheckBeepChecked() const = 0;

    virtual void ShowButton(RunButton button) = 0;
    virtual void HideButton(RunButton button) = 0;
    virtual bool ControlEnabled(LockedControl control) const = 0;
    virtual void SetControlEnabled(LockedControl control, bool enabled) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual std::string ApplicationTitle() const = 0;
    virtual void SetApplicationTitle(const std::string& title) = 0;
    virtual void MinimizeApplication() = 0;
    virtual void RestoreApplication() = 0;
    virtual void MessageBox(const std::string& text) = 0;
    virtual void Beep() = 0;
    // Returns 0, or the errno of a folder that could not be entered.
    virtual int ChangeDirectory(const std::string& folder) = 0;

    virtual RunOutcome RunEncoder(const EncoderLaunch& launch) = 0;
};

// Flips the enabled state of every control of the lock list, in its order.
void ToggleControls(RunView& view);

// A file whose encoder ran to its end but failed: a non-zero exit code, or no
// output file or an empty one at the path its command line named.
struct FailedFile {
    std::string name;
    int exitCode = 0;
    enum class Output { Written, Missing, Empty } output = Output::Written;
};

// The text of the message box that lists failed files: at most 20 names, then
// "and K more".
std::string FailedFilesText(const std::vector<FailedFile>& failed);

// The batch run behind the start and Stop buttons.
class BatchRun {
public:
    BatchRun(RunView& view, TAacCfg& cfg) : view_(view), cfg_(cfg) {}

    // The whole run; returns when it has ended.
    void EncodeBtnClick();
    void KillEncodeClick();

    bool Running() const { return running_; }

    // A close request during a run acts as Stop and is remembered, so the
    // window can close once EncodeBtnClick has returned.
    void RequestClose();
    bool ClosePending() const { return closePending_; }

private:
    void Run();
    void ReturnToIdle();
    // Notes a failure of a file whose encoder ran to its end.
    static void CheckFile(const CommandLineInputs& inputs, const std::string& name,
                          const RunOutcome& outcome, std::vector<FailedFile>& failed);

    RunView& view_;
    TAacCfg& cfg_;
    bool running_ = false;
    bool closePending_ = false;
};

}  // namespace corvane
