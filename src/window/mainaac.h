#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QStatusBar>
#include <QWidget>
#include <memory>
#include <string>

#include "encoding/batchrun.h"
#include "encoding/posixprocesses.h"
#include "encoding/runner.h"
#include "platform/application.h"
#include "platform/combobox.h"
#include "platform/directorylistbox.h"
#include "platform/drivecombobox.h"
#include "platform/filelistbox.h"
#include "platform/folderdialog.h"
#include "platform/listbox.h"
#include "platform/speedbutton.h"
#include "platform/volumes.h"
#include "settings/aacconfig.h"
#include "settings/settingscontrols.h"
#include "window/label.h"
#include "window/pagecontrol.h"
#include "window/panel.h"
#include "window/savefailure.h"

namespace corvane {

using TTabSheet = QWidget;

// The main window. It owns its controls and, from its first showing to its
// closing, the settings record; every handler runs inside one guard that shows
// an error of the exception family with the standard error display.
class TAacMain : public QWidget, public RunView, public SettingsControls, public RunnerHost {
    Q_OBJECT

public:
    static constexpr const char* kCaption =
        "Corvane v0.5 Frontend for AAC Encoder (Homboy & Tavrin/Quartex)";
    static constexpr const char* kEmptyLastDirMessage =
        "The folder last shown is empty; the browsers stay at the working folder";

    explicit TAacMain(TApplication& application,
                      SaveFailurePrompt saveFailurePrompt = AskAfterSaveFailure,
                      VolumeState& volumes = VolumeState::Process());
    ~TAacMain() override;
    TAacMain(const TAacMain&) = delete;
    TAacMain& operator=(const TAacMain&) = delete;

    // The window's font at `pixelSize`: "MS Sans Serif", or a sans-serif face
    // of the same pixel height where that is missing.
    static QFont WindowFont(int pixelSize);

    QStatusBar* StatusBar;
    TPageControl* PageControl;
    TTabSheet* Corvane;
    TPanel* ButtonPanel;
    TTabSheet* Settings;
    TDirectoryListBox* DirectoryListBox;
    QLabel* Label1;
    QLabel* Label2;
    TFileListBox* FileListBox;
    TListBox* DestList;
    TDriveComboBox* DriveComboBox;
    TSpeedButton* AddFileBtn;
    TSpeedButton* AddAllBtn;
    TSpeedButton* RemoveBtn;
    QLabel* Label3;
    QLabel* Label4;
    TComboBox* BitrateBox;
    TComboBox* PriorityBox;
    QLabel* Label5;
    TTabSheet* About;
    TPanel* Panel1;
    QLabel* ProgramIcon;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label11;
    QLabel* Label6;
    QLabel* Label7;
    QCheckBox* CheckMinimize;
    QCheckBox* CheckHideEnc;
    QCheckBox* CheckBeep;
    TSpeedButton* RemoveAllBtn;
    TSpeedButton* EncodeBtn;
    QLabel* Label12;
    QLabel* Label13;
    QLabel* Label14;
    TSpeedButton* KillEncode;
    TComboBox* EncoderBox;
    QLabel* Label15;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    TSpeedButton* BrowseButton1;
    TSpeedButton* BrowseButton2;
    TLabel* HomeDir;
    TLabel* QuarDir;
    std::unique_ptr<TBrowseFolder> BrowseFolder;
    QGroupBox* GroupBox3;
    TSpeedButton* BrowseButton3;
    TLabel* OutputDir;

    void DriveComboBoxChange();
    void DirectoryListBoxChange();
    void FileListBoxDblClick();
    void AddAllBtnClick();
    void EncodeBtnClick();
    void BitrateBoxChange();
    void RemoveBtnClick();
    void PriorityBoxChange();
    void RemoveAllBtnClick();
    void KillEncodeClick();
    void EncoderBoxChange();
    void FormClose();
    void FormShow();
    void BrowseButton1Click();
    void BrowseButton2Click();
    void BrowseButton3Click();

    RunOutcome RunEncoder(const EncoderLaunch& launch) override;
    void ToggleControls();

    // The settings record; null before the first showing and after closing.
    TAacCfg* SettingsRecord() const { return AacCfg.get(); }
    bool RunInProgress() const { return batch_ != nullptr && batch_->Running(); }
    QWidget* LockedWidget(LockedControl control) const;

    // RunView
    int EncodeListCount() const override;
    std::string EncodeListEntry(int index) const override;
    std::string FileListDirectory() const override;
    std::string OutputDirCaption() const override;
    std::string HomeDirCaption() const override;
    std::string QuarDirCaption() const override;
    std::string BitrateText() const override;
    int32_t BitrateItemIndex() const override;
    bool CheckMinimizeChecked() const override;
    bool CheckHideEncChecked() const override;
    bool CheckBeepChecked() const override;
    void ShowButton(RunButton button) override;
    void HideButton(RunButton button) override;
    bool ControlEnabled(LockedControl control) const override;
    void SetControlEnabled(LockedControl control, bool enabled) override;
    void SetStatusText(const std::string& text) override;
    std::string ApplicationTitle() const override;
    void SetApplicationTitle(const std::string& title) override;
    void MinimizeApplication() override;
    void RestoreApplication() override;
    void MessageBox(const std::string& text) override;
    void Beep() override;
    int ChangeDirectory(const std::string& folder) override;

    // SettingsControls, beyond the captions and states RunView reads
    void SetHomeDirCaption(const std::string& caption) override;
    void SetQuarDirCaption(const std::string& caption) override;
    void SetOutputDirCaption(const std::string& caption) override;
    void SetCheckMinimizeChecked(bool checked) override;
    void SetCheckBeepChecked(bool checked) override;
    void SetCheckHideEncChecked(bool checked) override;

    // RunnerHost
    void ProcessMessages() override;
    bool AbortRequested() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildCorvanePage();
    void BuildSettingsPage();
    void BuildAboutPage();
    void BuildButtonPanel();
    void SetTabOrders();
    void WireEvents();
    // Connects `handler` to the clicks of `button`, inside the guard.
    void OnClick(TSpeedButton* button, void (TAacMain::*handler)());
    void Guard(const std::function<void()>& action);

    void MakeRecord();
    void SelectStoredEntries();
    void PositionBrowsers();
    void BrowseFor(TLabel* label);

    std::unique_ptr<TAacCfg> AacCfg;

    TApplication& application_;
    SaveFailurePrompt saveFailurePrompt_;
    PosixEncoderProcesses processes_;
    std::unique_ptr<BatchRun> batch_;
    bool shown_ = false;
};

// The one main window, from its creation to its destruction.
extern TAacMain* AacMain;

}  // namespace corvane
