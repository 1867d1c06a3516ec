#include "ThemeTokens.h"

#include "FontRegistry.h"
#include "IconGlyphs.h"

namespace aru {

ThemeTokens::ThemeTokens(QObject* parent)
    : QObject(parent) {
    FontRegistry::registerBundledFonts();
}

QString ThemeTokens::iconGlyph(const QString& symbolName) const {
    return IconGlyphs::glyph(symbolName);
}

QString ThemeTokens::iconFamily() const {
    return FontRegistry::iconFamily();
}

} // namespace aru
