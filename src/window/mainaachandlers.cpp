#include "platform/guard.h"
#include "platform/paths.h"
#include "settings/choices.h"
#include "window/mainaac.h"

namespace corvane {

void TAacMain::Guard(const std::function<void()>& action) {
    RunGuarded(application_, action);
}

void TAacMain::OnClick(TSpeedButton* button, void (TAacMain::*handler)()) {
    connect(button, &QAbstractButton::clicked, this,
            [this, handler] { Guard([=, this] { (this->*handler)(); }); });
}

void TAacMain::WireEvents() {
    const UserActionGuard guard = [this](const std::function<void()>& action) { Guard(action); };
    DriveComboBox->SetGuard(guard);
    DirectoryListBox->SetGuard(guard);
    FileListBox->SetGuard(guard);
    DestList->SetGuard(guard);

    DriveComboBox->SetOnChange([this] { DriveComboBoxChange(); });
    DirectoryListBox->SetOnChange([this] { DirectoryListBoxChange(); });
    FileListBox->SetOnDblClick([this] { FileListBoxDblClick(); });
    DestList->SetOnDblClick([this] { RemoveBtnClick(); });

    OnClick(AddFileBtn, &TAacMain::FileListBoxDblClick);
    OnClick(AddAllBtn, &TAacMain::AddAllBtnClick);
    OnClick(EncodeBtn, &TAacMain::EncodeBtnClick);
    OnClick(RemoveBtn, &TAacMain::RemoveBtnClick);
    OnClick(RemoveAllBtn, &TAacMain::RemoveAllBtnClick);
    OnClick(KillEncode, &TAacMain::KillEncodeClick);
    OnClick(BrowseButton1, &TAacMain::BrowseButton1Click);
    OnClick(BrowseButton2, &TAacMain::BrowseButton2Click);
    OnClick(BrowseButton3, &TAacMain::BrowseButton3Click);

    connect(BitrateBox, &TComboBox::Change, this,
            [this] { Guard([this] { BitrateBoxChange(); }); });
    connect(PriorityBox, &TComboBox::Change, this,
            [this] { Guard([this] { PriorityBoxChange(); }); });
    connect(EncoderBox, &TComboBox::Change, this,
            [this] { Guard([this] { EncoderBoxChange(); }); });
}

void TAacMain::DriveComboBoxChange() {
    DirectoryListBox->SetDrive(DriveComboBox->Drive());
}

void TAacMain::DirectoryListBoxChange() {
    // The drive selector's creation-time change reaches here before the show
    // step has made the record; nothing is to be recorded then.
    if (AacCfg == nullptr) {
        return;
    }
    FileListBox->SetDrive(DirectoryListBox->Drive());
    AacCfg->LastDir = DirectoryListBox->Directory();
    FileListBox->ApplyFilePath(AacCfg->LastDir);
    DestList->Clear();
}

// The file list's names are distinct (one folder's listing), so adding the
// missing ones in one step gives what adding each in turn would.
void TAacMain::FileListBoxDblClick() {
    if (FileListBox->ItemIndex() == -1) {
        return;
    }
    std::vector<std::string> names;
    for (int i = 0; i < FileListBox->Count(); ++i) {
        if (FileListBox->Selected(i) && DestList->IndexOf(FileListBox->Item(i)) == -1) {
            names.push_back(FileListBox->Item(i));
        }
    }
    DestList->AddNames(std::move(names));
}

void TAacMain::AddAllBtnClick() {
    DestList->Clear();
    DestList->AddNames(FileListBox->Items());
}

void TAacMain::EncodeBtnClick() {
    if (batch_ == nullptr) {
        return;
    }
    batch_->EncodeBtnClick();
    if (batch_->ClosePending()) {
        close();
    }
}

void TAacMain::BitrateBoxChange() {
    if (AacCfg == nullptr) {
        return;
    }
    AacCfg->Bitrate = BitrateBox->Text() + " ";
    AacCfg->BitrateIndex = BitrateBox->ItemIndex();
}

void TAacMain::RemoveBtnClick() {
    if (DestList->ItemIndex() == -1) {
        return;
    }
    DestList->DeleteSelected();
}

void TAacMain::PriorityBoxChange() {
    if (AacCfg == nullptr) {
        return;
    }
    AacCfg->PriorityIndex = PriorityBox->ItemIndex();
    AacCfg->Priority = PriorityClassForIndex(AacCfg->PriorityIndex);
}

void TAacMain::RemoveAllBtnClick() {
    DestList->Clear();
}

void TAacMain::KillEncodeClick() {
    if (batch_ != nullptr) {
        batch_->KillEncodeClick();
    }
}

void TAacMain::EncoderBoxChange() {
    if (AacCfg != nullptr) {
        AacCfg->Encoder = EncoderBox->ItemIndex();
    }
}

void TAacMain::BrowseFor(TLabel* label) {
    if (BrowseFolder->Execute(this)) {
        label->SetCaption(BrowseFolder->Directory());
    }
}

void TAacMain::BrowseButton1Click() {
    BrowseFor(HomeDir);
}

void TAacMain::BrowseButton2Click() {
    BrowseFor(QuarDir);
}

void TAacMain::BrowseButton3Click() {
    BrowseFor(OutputDir);
}

RunOutcome TAacMain::RunEncoder(const EncoderLaunch& launch) {
    return RunEncoderProcess(launch, processes_, *this);
}

void TAacMain::ToggleControls() {
    corvane::ToggleControls(static_cast<RunView&>(*this));
}

QWidget* TAacMain::LockedWidget(LockedControl control) const {
    switch (control) {
        case LockedControl::AddAllBtn:
            return AddAllBtn;
        case LockedControl::AddFileBtn:
            return AddFileBtn;
        case LockedControl::BrowseButton1:
            return BrowseButton1;
        case LockedControl::BrowseButton2:
            return BrowseButton2;
        case LockedControl::CheckBeep:
            return CheckBeep;
        case LockedControl::CheckHideEnc:
            return CheckHideEnc;
        case LockedControl::CheckMinimize:
            return CheckMinimize;
        case LockedControl::BitrateBox:
            return BitrateBox;
        case LockedControl::DestList:
            return DestList;
        case LockedControl::DirectoryListBox:
            return DirectoryListBox;
        case LockedControl::DriveComboBox:
            return DriveComboBox;
        case LockedControl::EncodeBtn:
            return EncodeBtn;
        case LockedControl::EncoderBox:
            return EncoderBox;
        case LockedControl::FileListBox:
            return FileListBox;
        case LockedControl::PriorityBox:
            return PriorityBox;
        case LockedControl::RemoveBtn:
            return RemoveBtn;
        case LockedControl::RemoveAllBtn:
            return RemoveAllBtn;
    }
    return nullptr;
}

int TAacMain::EncodeListCount() const {
    return DestList->Count();
}

std::string TAacMain::EncodeListEntry(int index) const {
    return DestList->Item(index);
}

std::string TAacMain::FileListDirectory() const {
    return FileListBox->Directory();
}

std::string TAacMain::OutputDirCaption() const {
    return OutputDir->Caption();
}

std::string TAacMain::HomeDirCaption() const {
    return HomeDir->Caption();
}

std::string TAacMain::QuarDirCaption() const {
    return QuarDir->Caption();
}

std::string TAacMain::BitrateText() const {
    return BitrateBox->Text();
}

int32_t TAacMain::BitrateItemIndex() const {
    return BitrateBox->ItemIndex();
}

bool TAacMain::CheckMinimizeChecked() const {
    return CheckMinimize->isChecked();
}

bool TAacMain::CheckHideEncChecked() const {
    return CheckHideEnc->isChecked();
}

bool TAacMain::CheckBeepChecked() const {
    return CheckBeep->isChecked();
}

void TAacMain::ShowButton(RunButton button) {
    (button == RunButton::EncodeBtn ? EncodeBtn : KillEncode)->show();
}

void TAacMain::HideButton(RunButton button) {
    (button == RunButton::EncodeBtn ? EncodeBtn : KillEncode)->hide();
}

bool TAacMain::ControlEnabled(LockedControl control) const {
    return !LockedWidget(control)->testAttribute(Qt::WA_Disabled);
}

void TAacMain::SetControlEnabled(LockedControl control, bool enabled) {
    LockedWidget(control)->setEnabled(enabled);
}

void TAacMain::SetStatusText(const std::string& text) {
    StatusBar->showMessage(NameListBox::ShownText(text));
}

std::string TAacMain::ApplicationTitle() const {
    return application_.Title();
}

void TAacMain::SetApplicationTitle(const std::string& title) {
    application_.SetTitle(title);
}

void TAacMain::MinimizeApplication() {
    application_.Minimize();
}

void TAacMain::RestoreApplication() {
    application_.Restore();
}

void TAacMain::MessageBox(const std::string& text) {
    application_.MessageBox(text);
}

void TAacMain::Beep() {
    application_.Beep();
}

int TAacMain::ChangeDirectory(const std::string& folder) {
    return corvane::ChangeDirectory(folder);
}

void TAacMain::SetHomeDirCaption(const std::string& caption) {
    HomeDir->SetCaption(caption);
}

void TAacMain::SetQuarDirCaption(const std::string& caption) {
    QuarDir->SetCaption(caption);
}

void TAacMain::SetOutputDirCaption(const std::string& caption) {
    OutputDir->SetCaption(caption);
}

void TAacMain::SetCheckMinimizeChecked(bool checked) {
    CheckMinimize->setChecked(checked);
}

void TAacMain::SetCheckBeepChecked(bool checked) {
    CheckBeep->setChecked(checked);
}

void TAacMain::SetCheckHideEncChecked(bool checked) {
    CheckHideEnc->setChecked(checked);
}

void TAacMain::ProcessMessages() {
    application_.ProcessMessages();
}

bool TAacMain::AbortRequested() const {
    return AacCfg != nullptr && AacCfg->AbortRequested;
}

}  // namespace corvane
