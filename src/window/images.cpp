#include "window/images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>
#include <functional>
#include <vector>

namespace corvane {

namespace {

// How one image of a glyph is painted: in colour for the enabled button, etched
// in greys for the disabled one.
enum class Look { Normal, Disabled };

const QColor kOutline(24, 24, 40);
const QColor kEtchLight(255, 255, 255);
const QColor kEtchDark(96, 96, 96);

using PaintImage = std::function<void(QPainter&, Look)>;

// Paints both images on the grey and reduces the result to the fixed palette.
QImage MakeGlyph(int imageWidth, int imageHeight, const PaintImage& paint) {
    QImage rgb(imageWidth * 2, imageHeight, QImage::Format_RGB32);
    rgb.fill(QColor(kGlyphTransparent));
    QPainter painter(&rgb);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, Look::Normal);
    painter.translate(imageWidth, 0);
    paint(painter, Look::Disabled);
    painter.end();
    return rgb.convertToFormat(QImage::Format_Indexed8, GlyphPalette());
}

// Fills `shape` in `fill` with a dark outline, or etched when disabled.
void FillShape(QPainter& painter, Look look, const QPainterPath& shape, const QColor& fill) {
    if (look == Look::Normal) {
        painter.setPen(QPen(kOutline, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(fill);
        painter.drawPath(shape);
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(kEtchLight);
    painter.drawPath(shape.translated(1, 1));
    painter.setBrush(kEtchDark);
    painter.drawPath(shape);
}

// Strokes `line` in `colour` over a wider dark stroke, or etched when disabled.
void StrokeLine(QPainter& painter, Look look, const QPainterPath& line, const QColor& colour,
                qreal width) {
    painter.setBrush(Qt::NoBrush);
    auto stroke = [&](const QPainterPath& path, const QColor& c, qreal w) {
        painter.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
    };
    if (look == Look::Normal) {
        stroke(line, kOutline, width + 1.8);
        stroke(line, colour, width);
        return;
    }
    stroke(line.translated(1, 1), kEtchLight, width);
    stroke(line, kEtchDark, width);
}

// The arrows are drawn pointing right in a 28 x 28 image; the left-pointing
// ones are their mirror images.
constexpr int kArrowSize = 28;

QPainterPath Chevrons() {
    QPainterPath path;
    for (const qreal x : {7.0, 14.0}) {
        path.moveTo(x, 7);
        path.lineTo(x + 7, 14);
        path.lineTo(x, 21);
    }
    return path;
}

QPainterPath SolidArrowsToBar() {
    QPainterPath path;
    for (const qreal x : {4.5, 12.0}) {
        QPainterPath triangle;
        triangle.moveTo(x, 7);
        triangle.lineTo(x + 8, 14);
        triangle.lineTo(x, 21);
        triangle.closeSubpath();
        path.addPath(triangle);
    }
    path.addRect(QRectF(20.5, 7, 2.5, 14));
    return path;
}

QPainterPath Mirrored(const QPainterPath& path) {
    return QTransform(-1, 0, 0, 1, kArrowSize, 0).map(path);
}

// Letters as strokes in a 24 pixel high image: baseline 18, x-height 9, capitals 14.
struct Letter {
    qreal width;
    std::function<void(QPainterPath&, qreal)> draw;
};

const Letter kCapitalE{8, [](QPainterPath& p, qreal x) {
                           p.moveTo(x + 8, 4.5);
                           p.lineTo(x + 1, 4.5);
                           p.lineTo(x + 1, 18);
                           p.lineTo(x + 8, 18);
                           p.moveTo(x + 1, 11);
                           p.lineTo(x + 6.5, 11);
                       }};
const Letter kCapitalS{9, [](QPainterPath& p, qreal x) {
                           p.moveTo(x + 8, 6.5);
                           p.cubicTo(x + 6.5, 3.5, x + 1, 3.5, x + 1, 7.5);
                           p.cubicTo(x + 1, 11, x + 8.5, 10.5, x + 8.5, 14.5);
                           p.cubicTo(x + 8.5, 19.5, x + 2, 19.5, x + 0.5, 16);
                       }};
const Letter kSmallN{8.5, [](QPainterPath& p, qreal x) {
                         p.moveTo(x + 1, 18);
                         p.lineTo(x + 1, 9.5);
                         p.moveTo(x + 1, 13);
                         p.cubicTo(x + 2, 9, x + 8, 8.5, x + 8, 13);
                         p.lineTo(x + 8, 18);
                     }};
const Letter kSmallC{7.5, [](QPainterPath& p, qreal x) {
                         const QRectF bowl(x + 0.5, 9.5, 7.5, 8.5);
                         p.arcMoveTo(bowl, 45);
                         p.arcTo(bowl, 45, 270);
                     }};
const Letter kSmallO{8.5,
                     [](QPainterPath& p, qreal x) { p.addEllipse(QRectF(x + 0.5, 9.5, 8, 8.5)); }};
const Letter kSmallD{8.5, [](QPainterPath& p, qreal x) {
                         p.addEllipse(QRectF(x + 0.5, 9.5, 7.5, 8.5));
                         p.moveTo(x + 8, 4.5);
                         p.lineTo(x + 8, 18);
                     }};
const Letter kSmallE{8, [](QPainterPath& p, qreal x) {
                         const QRectF bowl(x + 0.5, 9.5, 7.5, 8.5);
                         p.moveTo(x + 1, 13.75);
                         p.lineTo(x + 8, 13.75);
                         p.arcTo(bowl, 0, 300);
                     }};
const Letter kSmallT{5.5, [](QPainterPath& p, qreal x) {
                         p.moveTo(x + 2.5, 5.5);
                         p.lineTo(x + 2.5, 16);
                         p.quadTo(x + 2.5, 18, x + 5.5, 18);
                         p.moveTo(x + 0.5, 9.5);
                         p.lineTo(x + 5.5, 9.5);
                     }};
const Letter kSmallP{8.5, [](QPainterPath& p, qreal x) {
                         p.moveTo(x + 1, 9.5);
                         p.lineTo(x + 1, 21.5);
                         p.addEllipse(QRectF(x + 1, 9.5, 7.5, 8.5));
                     }};

constexpr qreal kLetterGap = 3.5;
constexpr qreal kLetterStroke = 2.2;
constexpr int kWordWidth = 97;
constexpr int kWordHeight = 24;

const QColor kLetterColours[] = {{230, 40, 40}, {250, 140, 0},  {245, 215, 0},
                                 {40, 200, 60}, {40, 110, 240}, {170, 70, 220}};

QImage WordGlyph(const std::vector<const Letter*>& letters) {
    qreal width = kLetterGap * static_cast<qreal>(letters.size() - 1);
    for (const Letter* letter : letters) {
        width += letter->width + 1;
    }
    return MakeGlyph(kWordWidth, kWordHeight, [&](QPainter& painter, Look look) {
        qreal x = (kWordWidth - width) / 2;
        size_t colour = 0;
        for (const Letter* letter : letters) {
            QPainterPath path;
            letter->draw(path, x);
            StrokeLine(painter, look, path, kLetterColours[colour++ % std::size(kLetterColours)],
                       kLetterStroke);
            x += letter->width + 1 + kLetterGap;
        }
    });
}

}  // namespace

QList<QRgb> GlyphPalette() {
    QList<QRgb> palette;
    palette.reserve(256);
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                palette.append(qRgb(r * 51, g * 51, b * 51));
            }
        }
    }
    // 40 greys from black to white; the 25th is exactly 156.
    for (int k = 0; k < 40; ++k) {
        palette.append(qRgb(k * 255 / 39, k * 255 / 39, k * 255 / 39));
    }
    return palette;
}

QList<QRgb> IconPalette() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QImage AddFileBtnGlyph() {
    return MakeGlyph(kArrowSize, kArrowSize, [](QPainter& painter, Look look) {
        StrokeLine(painter, look, Chevrons(), QColor(40, 110, 240), 3);
    });
}

QImage AddAllBtnGlyph() {
    return MakeGlyph(kArrowSize, kArrowSize, [](QPainter& painter, Look look) {
        FillShape(painter, look, SolidArrowsToBar(), QColor(40, 200, 60));
    });
}

QImage RemoveAllBtnGlyph() {
    return MakeGlyph(kArrowSize, kArrowSize, [](QPainter& painter, Look look) {
        FillShape(painter, look, Mirrored(SolidArrowsToBar()), QColor(230, 40, 40));
    });
}

QImage RemoveBtnGlyph() {
    return MakeGlyph(kArrowSize, kArrowSize, [](QPainter& painter, Look look) {
        StrokeLine(painter, look, Mirrored(Chevrons()), QColor(250, 140, 0), 3);
    });
}

QImage EncodeBtnGlyph() {
    return WordGlyph({&kCapitalE, &kSmallN, &kSmallC, &kSmallO, &kSmallD, &kSmallE});
}

QImage KillEncodeGlyph() {
    return WordGlyph({&kCapitalS, &kSmallT, &kSmallO, &kSmallP});
}

QImage ProgramIconImage() {
    // A level meter on a dark blue tile, drawn without smoothing so that the
    // 16 colours hold every pixel exactly.
    QImage rgb(32, 32, QImage::Format_RGB32);
    rgb.fill(QColor(0, 0, 128));
    QPainter painter(&rgb);
    painter.setPen(QColor(0, 0, 0));
    painter.drawRect(0, 0, 31, 31);
    painter.setPen(QColor(0, 128, 128));
    painter.drawLine(3, 27, 28, 27);
    const int levels[] = {4, 7, 6, 8, 5};
    for (int bar = 0; bar < 5; ++bar) {
        const int x = 4 + bar * 5;
        for (int segment = 0; segment < levels[bar]; ++segment) {
            const int y = 24 - segment * 3;
            const QColor colour = segment >= 6   ? QColor(255, 0, 0)
                                  : segment >= 4 ? QColor(255, 255, 0)
                                                 : QColor(0, 255, 0);
            painter.fillRect(x, y, 4, 2, colour);
        }
    }
    painter.end();
    return rgb.convertToFormat(QImage::Format_Indexed8, IconPalette());
}

QIcon ProgramIcon() {
    return QIcon(QPixmap::fromImage(ProgramIconImage()));
}

}  // namespace corvane
