#include "TrackFields.h"

namespace aru::TrackFields {

std::optional<Field> fieldForKey(std::string_view key, size_t startAt) {
    for (size_t n = 0; n < keys.size(); ++n) {
        const size_t i = (startAt + n) % keys.size();
        if (keys[i] == key)
            return static_cast<Field>(i);
    }
    return std::nullopt;
}

Decoded<Track> finish(Draft&& draft) {
    if (!draft.hasId)
        return Decoded<Track>::failure(QStringLiteral("track without a valid integer \"id\""));
    if (draft.hasTitle && draft.hasArtist)
        return Decoded<Track>::success(std::move(draft.track));
    const QString which = QStringLiteral(" (id %1)").arg(draft.track.id);
    if (!draft.hasTitle)
        return Decoded<Track>::failure(QStringLiteral("track without a string \"title\"") + which);
    return Decoded<Track>::failure(QStringLiteral("track without a string \"artist\"") + which);
}

} // namespace aru::TrackFields
