#pragma once

#include <QString>
#include <QStringView>

// The design names its symbols ("heart.fill", "xmark"…); they are drawn with glyphs of the
// bundled Material Design Icons font. This is the one table between the two.
namespace aru::IconGlyphs {

// The glyph for the symbol, as text in the icon font; empty for a name the design does not use.
QString glyph(QStringView symbolName);

} // namespace aru::IconGlyphs
