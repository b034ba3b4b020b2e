#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QRgb>

namespace corvane {

// The button glyphs, drawn when asked for: each holds two images of equal size
// side by side (normal left, disabled right), 8 bits per pixel with the
// 256-colour GlyphPalette, and the grey kGlyphTransparent at each image's
// bottom-left pixel, the colour a speed button leaves transparent.
inline constexpr QRgb kGlyphTransparent = qRgb(156, 156, 156);

QImage AddFileBtnGlyph();    // 56 x 28: a double arrow pointing right, open chevrons
QImage AddAllBtnGlyph();     // 56 x 28: a double arrow pointing right, solid, to a bar
QImage RemoveAllBtnGlyph();  // 56 x 28: a double arrow pointing left, solid, from a bar
QImage RemoveBtnGlyph();     // 56 x 28: a double arrow pointing left, open chevrons
QImage EncodeBtnGlyph();     // 194 x 24: "Encode" in coloured letters, greys when disabled
QImage KillEncodeGlyph();    // 194 x 24: "Stop" likewise

// The program icon: 32 x 32, 8 bits per pixel with the 16-colour IconPalette.
QImage ProgramIconImage();
// The same picture as the application's window icon.
QIcon ProgramIcon();

// A 6 x 6 x 6 colour cube and 40 greys, kGlyphTransparent among them.
QList<QRgb> GlyphPalette();
// The 16 colours of the classic VGA palette.
QList<QRgb> IconPalette();

}  // namespace corvane
