#include <QCloseEvent>
#include <QShowEvent>

#include "window/mainaac.h"

namespace corvane {

void TAacMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Restoring from the minimized state shows the window again; only the
    // first showing runs the show step.
    if (shown_) {
        return;
    }
    shown_ = true;
    Guard([this] { FormShow(); });
}

void TAacMain::closeEvent(QCloseEvent* event) {
    // A close during a run acts as Stop; the window closes once the run has
    // unwound (EncodeBtnClick), so the record outlives every use by the run.
    if (batch_ != nullptr && batch_->Running()) {
        batch_->RequestClose();
        event->ignore();
        return;
    }
    Guard([this] { FormClose(); });
    event->accept();
}

// After a record that failed to come into being, the window goes on with one
// holding the first-run values (and the labels and check boxes as the load
// left them), showing them in the boxes and naming the folder shown, so that
// closing stores a whole, consistent set of values again.
void TAacMain::MakeRecord() {
    try {
        AacCfg = std::make_unique<TAacCfg>(*this, application_);
    } catch (const Exception&) {
        AacCfg = std::make_unique<TAacCfg>(TAacCfg::NoLoad{}, *this, application_);
        AacCfg->LastDir = DirectoryListBox->Directory();
        batch_ = std::make_unique<BatchRun>(*this, *AacCfg);
        SelectStoredEntries();
        throw;
    }
    batch_ = std::make_unique<BatchRun>(*this, *AacCfg);
}

void TAacMain::SelectStoredEntries() {
    BitrateBox->SetItemIndex(AacCfg->BitrateIndex);
    EncoderBox->SetItemIndex(AacCfg->Encoder);
    PriorityBox->SetItemIndex(AacCfg->PriorityIndex);
}

// Setting the drive runs the change chain, which rewrites LastDir; the stored
// folder is kept before.
void TAacMain::PositionBrowsers() {
    const std::string copy = AacCfg->LastDir;
    if (AacCfg->LastDir.empty()) {
        throw ERangeError(kEmptyLastDirMessage);
    }
    DriveComboBox->SetDrive(AacCfg->LastDir);
    DirectoryListBox->SetDirectory(copy);
    FileListBox->ApplyFilePath(AacCfg->LastDir);
}

void TAacMain::FormShow() {
    MakeRecord();
    SelectStoredEntries();
    PositionBrowsers();
}

// Save errors are the user's to settle: try again, or close without storing.
// Either way the window closes, and the record goes only after the last Save.
void TAacMain::FormClose() {
    if (AacCfg != nullptr) {
        for (;;) {
            try {
                AacCfg->Save();
                break;
            } catch (const Exception& error) {
                if (saveFailurePrompt_(ErrorDisplayText(error.Message()), application_.Title()) !=
                    SaveFailureChoice::Retry) {
                    break;
                }
            }
        }
    }
    batch_.reset();
    AacCfg.reset();
}

}  // namespace corvane
