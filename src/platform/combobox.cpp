#include "platform/combobox.h"

#include <QLineEdit>

namespace corvane {

TComboBox::TComboBox(Style style, QWidget* parent) : QComboBox(parent), style_(style) {
    setEditable(style == Style::DropDown);
    connect(this, &QComboBox::activated, this, &TComboBox::Change);
    if (style != Style::DropDown) {
        return;
    }
    setInsertPolicy(QComboBox::NoInsert);
    // Completion would fill in and select an entry while the user types.
    setCompleter(nullptr);
    // QComboBox selects the entry that matches the text on Return and when the
    // field loses focus; here only a choice from the list selects an entry.
    QLineEdit* edit = lineEdit();
    disconnect(edit, &QLineEdit::returnPressed, this, nullptr);
    disconnect(edit, &QLineEdit::editingFinished, this, nullptr);
    connect(edit, &QLineEdit::textEdited, this, &TComboBox::TextEdited);
}

void TComboBox::SetItemIndex(int index) {
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

std::string TComboBox::Text() const {
    return currentText().toStdString();
}

void TComboBox::AddItem(const std::string& text) {
    addItem(QString::fromStdString(text));
}

void TComboBox::TextEdited() {
    if (currentIndex() != -1) {
        // Clearing the index also clears the field; the typed text goes back.
        QLineEdit* edit = lineEdit();
        const QString typed = edit->text();
        const int cursor = edit->cursorPosition();
        setCurrentIndex(-1);
        edit->setText(typed);
        edit->setCursorPosition(cursor);
    }
    emit Change();
}

}  // namespace corvane
