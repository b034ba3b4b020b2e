#include "platform/dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QShowEvent>

namespace corvane {

namespace {

void ShowBox(QMessageBox::Icon icon, const std::string& text, const std::string& caption) {
    QMessageBox box(icon, QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok);
    // Messages carry file and folder names; none of them may be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

// Qt's own folder dialog, moved over its owner once it has its size.
class FolderDialog : public QFileDialog {
public:
    FolderDialog(QWidget* owner, const QString& title) : QFileDialog(owner, title), owner_(owner) {}

protected:
    void showEvent(QShowEvent* event) override {
        QFileDialog::showEvent(event);
        if (event->spontaneous() || owner_ == nullptr) {
            return;
        }
        const QRect frame = owner_->window()->frameGeometry();
        const DialogPosition at = FolderDialogPosition(frame.left(), frame.top(), frame.width(),
                                                       frame.height(), frameGeometry().width());
        move(at.x, at.y);
    }

private:
    QPointer<QWidget> owner_;
};

class QtDialogs : public Dialogs {
public:
    void MessageBox(const std::string& text, const std::string& caption) override {
        ShowBox(QMessageBox::NoIcon, text, caption);
    }

    void ErrorBox(const std::string& text, const std::string& caption) override {
        ShowBox(QMessageBox::Critical, text, caption);
    }

    std::optional<std::string> ChooseFolder(QWidget* owner, const std::string& title,
                                            const std::string& preselect) override {
        FolderDialog dialog(owner, QString::fromUtf8(title));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setWindowModality(Qt::ApplicationModal);
        const QString folder = QFile::decodeName(QByteArray::fromStdString(preselect));
        if (folder.isEmpty()) {
            dialog.setDirectory(QDir::rootPath());
        } else {
            const QFileInfo info(folder);
            if (info.isRoot()) {
                dialog.setDirectory(folder);
            } else {
                // Opened at the parent with the folder itself selected, as a tree
                // would show it; confirming at once gives back that folder.
                dialog.setDirectory(info.absolutePath());
                dialog.selectFile(info.fileName());
            }
        }
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty() || chosen.first().isEmpty()) {
            return std::nullopt;
        }
        return QFile::encodeName(chosen.first()).toStdString();
    }
};

}  // namespace

Dialogs& SystemDialogs() {
    static QtDialogs dialogs;
    return dialogs;
}

DialogPosition FolderDialogPosition(int ownerLeft, int ownerTop, int ownerWidth, int ownerHeight,
                                    int dialogWidth) {
    return {ownerLeft + (ownerWidth - dialogWidth) / 2, ownerTop + ownerHeight / 4};
}

}  // namespace corvane
