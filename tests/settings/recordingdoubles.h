#pragma once

#include <string>
#include <vector>

#include "platform/errordisplay.h"
#include "settings/settingscontrols.h"

namespace corvane::test {

// The window's six settings controls in the states the window starts with,
// recording every change Load makes to them.
class RecordingControls : public SettingsControls {
public:
    std::string homeDir = "None";
    std::string quarDir = "None";
    std::string outputDir = "Default";
    bool minimize = false;
    bool beep = true;
    bool hideEnc = true;
    std::vector<std::string> changes;

    std::string HomeDirCaption() const override { return homeDir; }
    void SetHomeDirCaption(const std::string& caption) override {
        homeDir = caption;
        changes.push_back("HomeDir");
    }
    std::string QuarDirCaption() const override { return quarDir; }
    void SetQuarDirCaption(const std::string& caption) override {
        quarDir = caption;
        changes.push_back("QuarDir");
    }
    std::string OutputDirCaption() const override { return outputDir; }
    void SetOutputDirCaption(const std::string& caption) override {
        outputDir = caption;
        changes.push_back("OutputDir");
    }
    bool CheckMinimizeChecked() const override { return minimize; }
    void SetCheckMinimizeChecked(bool checked) override {
        minimize = checked;
        changes.push_back("CheckMinimize");
    }
    bool CheckBeepChecked() const override { return beep; }
    void SetCheckBeepChecked(bool checked) override {
        beep = checked;
        changes.push_back("CheckBeep");
    }
    bool CheckHideEncChecked() const override { return hideEnc; }
    void SetCheckHideEncChecked(bool checked) override {
        hideEnc = checked;
        changes.push_back("CheckHideEnc");
    }
};

// Records the text that the standard error display would show.
class RecordingErrorDisplay : public ErrorDisplay {
public:
    std::vector<std::string> shown;

    void ShowError(const Exception& error) override {
        shown.push_back(ErrorDisplayText(error.Message()));
    }
};

}  // namespace corvane::test
