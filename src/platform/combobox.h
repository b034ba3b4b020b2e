#pragma once

#include <QComboBox>
#include <string>

namespace corvane {

// A combo box whose change event is raised by the user only: choosing an entry
// (mouse, keyboard or wheel) and, for the editable style, every edit of the text
// field. Selecting from the program never raises it. The event is the Change
// signal; connect the handler there, not to QComboBox's own signals.
class TComboBox : public QComboBox {
    Q_OBJECT

public:
    enum class Style {
        DropDown,      // editable text field with a drop-down list
        DropDownList,  // a choice from the list only, no typing
    };

    explicit TComboBox(Style style, QWidget* parent = nullptr);

    Style BoxStyle() const { return style_; }

    // The selected entry's position, or -1. An edit of the text field clears it,
    // even when the edited text equals an entry's text.
    int ItemIndex() const { return currentIndex(); }
    // Raises no change event. A position that names no entry leaves the box
    // without a selection (and an empty text).
    void SetItemIndex(int index);

    // The shown text: the text field's for DropDown, the selected entry's otherwise.
    std::string Text() const;

    void AddItem(const std::string& text);

signals:
    void Change();

private:
    void TextEdited();

    Style style_;
};

}  // namespace corvane
