#include "CatalogPreview.h"

#include <optional>

namespace aru {

namespace {

bool isJsonBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Reads `expected` at `position` after any blanks, moving past it.
bool expect(QByteArrayView text, qsizetype& position, QByteArrayView expected) {
    while (position < text.size() && isJsonBlank(text[position]))
        ++position;
    if (!text.sliced(position).startsWith(expected))
        return false;
    position += expected.size();
    return true;
}

// Where the elements of the "tracks" array that `text` holds whole end, from `start` (just after
// the array opens): after the last element closed at the array's own level.
std::optional<qsizetype> endOfWholeElements(QByteArrayView text, qsizetype start) {
    std::optional<qsizetype> end;
    int depth = 0;
    bool inString = false;
    for (qsizetype i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth < 0)
                return i; // the array closes within the beginning: every track is there
            if (depth == 0)
                end = i + 1;
        }
    }
    return end;
}

} // namespace

Decoded<SyncCatalog> CatalogPreview::fromBeginning(const QByteArray& beginning) {
    qsizetype position = 0;
    if (!expect(beginning, position, "{") || !expect(beginning, position, "\"tracks\"") ||
        !expect(beginning, position, ":") || !expect(beginning, position, "["))
        return Decoded<SyncCatalog>::failure(QStringLiteral("no tracks at the beginning"));
    const auto end = endOfWholeElements(beginning, position);
    if (!end)
        return Decoded<SyncCatalog>::failure(QStringLiteral("no whole track at the beginning"));
    return SyncCatalog::fromJson(beginning.first(*end) + "]}");
}

} // namespace aru
