#include "IconGlyphs.h"

#include <array>
#include <utility>

namespace aru::IconGlyphs {

namespace {

// Code points of the icon font Debian ships (fonts-materialdesignicons-webfont), by the design's
// symbol names. The comments give the font's own glyph names.
constexpr std::array<std::pair<std::u16string_view, char16_t>, 18> glyphs{{
    {u"gearshape", 0xF493},                 // settings
    {u"magnifyingglass", 0xF349},           // magnify
    {u"xmark.circle.fill", 0xF159},         // close-circle
    {u"music.note", 0xF387},                // music-note
    {u"arrow.down", 0xF045},                // arrow-down
    {u"square.grid.3x3.fill", 0xF03B},      // apps: nine squares
    {u"heart", 0xF2D5},                     // heart-outline
    {u"heart.fill", 0xF2D1},                // heart
    {u"play.fill", 0xF40A},                 // play
    {u"pause.fill", 0xF3E4},                // pause
    {u"backward.fill", 0xF45F},             // rewind
    {u"forward.fill", 0xF211},              // fast-forward
    {u"speaker.wave.2.fill", 0xF57E},       // volume-high
    {u"xmark", 0xF156},                     // close
    {u"photo.on.rectangle.angled", 0xF2F9}, // image-multiple
    {u"folder", 0xF24B},                    // folder
    {u"ellipsis", 0xF1D8},                  // dots-horizontal
    {u"wifi.slash", 0xF5AA},                // wifi-off
}};

} // namespace

QString glyph(QStringView symbolName) {
    for (const auto& [name, codePoint] : glyphs) {
        if (symbolName == QStringView(name.data(), qsizetype(name.size())))
            return QString(QChar(codePoint));
    }
    return {};
}

} // namespace aru::IconGlyphs
