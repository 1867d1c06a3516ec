#include "DemoCatalog.h"

#include "TrackFactory.h"

namespace aru::server {

DemoCatalog::DemoCatalog(std::uint64_t seed, int trackCount)
    : m_seed(seed)
    , m_trackCount(trackCount) {}

std::int64_t DemoCatalog::idAt(int index) const {
    if (hasLargeId() && index == m_trackCount - 1)
        return kLargeId;
    return kFirstId + index;
}

std::optional<int> DemoCatalog::indexOf(std::int64_t id) const {
    if (hasLargeId() && id == kLargeId)
        return m_trackCount - 1;
    const int sequential = hasLargeId() ? m_trackCount - 1 : m_trackCount;
    if (id < kFirstId || id >= kFirstId + sequential)
        return std::nullopt;
    return static_cast<int>(id - kFirstId);
}

TrackPlan DemoCatalog::track(int index) const {
    return TrackFactory::make(m_seed, index, idAt(index));
}

std::optional<TrackPlan> DemoCatalog::trackById(std::int64_t id) const {
    const auto index = indexOf(id);
    if (!index)
        return std::nullopt;
    return track(*index);
}

} // namespace aru::server
