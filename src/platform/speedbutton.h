#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace corvane {

// A speed button: flat (no frame until the pointer is over it or it is pressed)
// or framed (drawn as a push button), with an optional two-image glyph and a
// hint. It takes no keyboard focus. Clicks arrive as QAbstractButton::clicked.
class TSpeedButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    bool Flat() const { return flat_; }
    void SetFlat(bool flat);

    // One image holding two of equal size side by side: the left one is drawn
    // while the button is enabled, the right one while it is disabled. In each,
    // the pixels of the colour of its bottom-left pixel are transparent. A null
    // image removes the glyph.
    void SetGlyph(const QImage& twoImages);
    const QPixmap& NormalGlyph() const { return normal_; }
    const QPixmap& DisabledGlyph() const { return disabled_; }

    // The caption; also the accessible name.
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);

    // The hint is the tooltip while ShowHint is true, and always the accessible
    // description (and the accessible name when there is no caption).
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool show);

    QSize sizeHint() const override;

    // The glyph with the colour of its bottom-left pixel made transparent.
    static QPixmap TransparentImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateHint();

    bool flat_ = true;
    QPixmap normal_;
    QPixmap disabled_;
    QString hint_;
    bool showHint_ = true;
};

}  // namespace corvane
