#include "FontRegistry.h"

#include <QFontDatabase>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace aru::FontRegistry {

namespace {

struct Registration {
    bool allLoaded = false;
    QString iconFamily;
};

// The families a font file registered, empty when it could not be loaded.
QStringList addFont(const QString& path) {
    const int id = QFontDatabase::addApplicationFont(path);
    return id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
}

const Registration& registration() {
    static const Registration result = [] {
        const QStringList display = addFont(u":/fonts/CormorantGaramond_300Light.ttf"_s);
        const QStringList icons = addFont(u":/fonts/materialdesignicons-webfont.ttf"_s);
        Registration r;
        r.allLoaded = !display.isEmpty() && !icons.isEmpty();
        r.iconFamily = icons.isEmpty() ? u"Material Design Icons"_s : icons.first();
        return r;
    }();
    return result;
}

} // namespace

bool registerBundledFonts() {
    return registration().allLoaded;
}

QString iconFamily() {
    return registration().iconFamily;
}

} // namespace aru::FontRegistry
