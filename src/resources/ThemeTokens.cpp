#include "ThemeTokens.h"

#include "FontRegistry.h"

namespace aru {

ThemeTokens::ThemeTokens(QObject* parent)
    : QObject(parent) {
    FontRegistry::registerBundledFonts();
}

QString ThemeTokens::iconFamily() const {
    return FontRegistry::iconFamily();
}

} // namespace aru
