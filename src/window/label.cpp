#include "window/label.h"

#include <algorithm>

#include "platform/namelistbox.h"

namespace corvane {

TLabel::TLabel(const std::string& caption, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    SetCaption(caption);
}

void TLabel::SetCaption(const std::string& caption) {
    caption_ = caption;
    setText(NameListBox::ShownText(caption));
    Fit();
}

void TLabel::SetBaseWidth(int width) {
    baseWidth_ = width;
    Fit();
}

void TLabel::Fit() {
    if (baseWidth_ > 0) {
        resize(std::max(baseWidth_, fontMetrics().horizontalAdvance(text())), height());
    }
}

}  // namespace corvane
