#include "platform/speedbutton.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

namespace corvane {

namespace {

constexpr int kGlyphCaptionSpacing = 4;

}  // namespace

TSpeedButton::TSpeedButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    UpdateHint();
}

void TSpeedButton::SetFlat(bool flat) {
    flat_ = flat;
    update();
}

QPixmap TSpeedButton::TransparentImage(const QImage& image) {
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) {
        return {};
    }
    const QRgb transparent = argb.pixel(0, argb.height() - 1) | 0xff000000u;
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if ((line[x] | 0xff000000u) == transparent) {
                line[x] = 0;
            }
        }
    }
    return QPixmap::fromImage(argb);
}

void TSpeedButton::SetGlyph(const QImage& twoImages) {
    if (twoImages.isNull() || twoImages.width() < 2) {
        normal_ = {};
        disabled_ = {};
    } else {
        const int half = twoImages.width() / 2;
        normal_ = TransparentImage(twoImages.copy(0, 0, half, twoImages.height()));
        disabled_ = TransparentImage(twoImages.copy(half, 0, half, twoImages.height()));
    }
    updateGeometry();
    update();
}

void TSpeedButton::SetCaption(const QString& caption) {
    setText(caption);
    UpdateHint();
}

void TSpeedButton::SetHint(const QString& hint) {
    hint_ = hint;
    UpdateHint();
}

void TSpeedButton::SetShowHint(bool show) {
    showHint_ = show;
    UpdateHint();
}

void TSpeedButton::UpdateHint() {
    setToolTip(showHint_ ? hint_ : QString());
    setAccessibleName(text().isEmpty() ? hint_ : text());
    setAccessibleDescription(hint_);
}

QSize TSpeedButton::sizeHint() const {
    QSize content = normal_.size();
    if (!text().isEmpty()) {
        const QSize caption = fontMetrics().size(Qt::TextShowMnemonic, text());
        content =
            QSize(content.width() + (normal_.isNull() ? 0 : kGlyphCaptionSpacing) + caption.width(),
                  std::max(content.height(), caption.height()));
    }
    return content + QSize(6, 6);
}

void TSpeedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool enabled = isEnabled();
    const bool down = isDown() || isChecked();
    const bool hovered = enabled && underMouse();

    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (down) {
        option.state |= QStyle::State_Sunken;
    } else {
        option.state |= QStyle::State_Raised;
    }

    if (!flat_) {
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    } else if (enabled && (down || hovered)) {
        qDrawShadePanel(&painter, rect(), palette(), down, 1);
    }

    const QPixmap& glyph = enabled ? normal_ : disabled_;
    const QString caption = text();
    const QSize captionSize =
        caption.isEmpty() ? QSize() : fontMetrics().size(Qt::TextShowMnemonic, caption);
    const int spacing = (!glyph.isNull() && !caption.isEmpty()) ? kGlyphCaptionSpacing : 0;
    const int contentWidth = glyph.width() + spacing + captionSize.width();
    // The content moves one pixel down and right while pressed, as on a key.
    const int shift = (down && enabled) ? 1 : 0;
    int x = (width() - contentWidth) / 2 + shift;
    if (!glyph.isNull()) {
        painter.drawPixmap(x, (height() - glyph.height()) / 2 + shift, glyph);
        x += glyph.width() + spacing;
    }
    if (!caption.isEmpty()) {
        const QRect area(x, (height() - captionSize.height()) / 2 + shift, captionSize.width(),
                         captionSize.height());
        style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                              enabled, caption, QPalette::ButtonText);
    }
}

}  // namespace corvane
