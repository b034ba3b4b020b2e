#include "window/savefailure.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace corvane {

SaveFailureChoice AskAfterSaveFailure(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(caption),
                    QString::fromUtf8(text + "\n\n" + kNotStoredText), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* retry = box.addButton(QStringLiteral("Retry"), QMessageBox::AcceptRole);
    QPushButton* close =
        box.addButton(QStringLiteral("Close without saving"), QMessageBox::DestructiveRole);
    box.setDefaultButton(retry);
    box.setEscapeButton(close);
    box.exec();
    return box.clickedButton() == retry ? SaveFailureChoice::Retry
                                        : SaveFailureChoice::CloseWithoutSaving;
}

}  // namespace corvane
