#pragma once

#include <string>

namespace corvane {

// The six settings that live in the main window's controls: the captions of the
// folder labels HomeDir, QuarDir and OutputDir and the ticked states of the check
// boxes CheckMinimize, CheckBeep and CheckHideEnc. TAacCfg's Load and Save move
// them between the store and the window through this interface.
class SettingsControls {
public:
    virtual ~SettingsControls() = default;

    virtual std::string HomeDirCaption() const = 0;
    virtual void SetHomeDirCaption(const std::string& caption) = 0;
    virtual std::string QuarDirCaption() const = 0;
    virtual void SetQuarDirCaption(const std::string& caption) = 0;
    virtual std::string OutputDirCaption() const = 0;
    virtual void SetOutputDirCaption(const std::string& caption) = 0;

    virtual bool CheckMinimizeChecked() const = 0;
    virtual void SetCheckMinimizeChecked(bool checked) = 0;
    virtual bool CheckBeepChecked() const = 0;
    virtual void SetCheckBeepChecked(bool checked) = 0;
    virtual bool CheckHideEncChecked() const = 0;
    virtual void SetCheckHideEncChecked(bool checked) = 0;
};

}  // namespace corvane
