#pragma once

#include "TrackPlan.h"

#include <cstdint>
#include <optional>

namespace aru::server {

// The demo catalogue's identity: which ids exist and which track each one is. Tracks are built on
// demand, so audio, covers and peaks of one track never need the whole catalogue.
class DemoCatalog {
public:
    // Past 2^53, so clients that read ids as doubles would get it wrong.
    static constexpr std::int64_t kLargeId = 9007199254740993;
    static constexpr std::int64_t kFirstId = 1001;

    DemoCatalog(std::uint64_t seed, int trackCount);

    std::uint64_t seed() const { return m_seed; }
    int trackCount() const { return m_trackCount; }
    std::int64_t idAt(int index) const;
    std::optional<int> indexOf(std::int64_t id) const;
    TrackPlan track(int index) const;
    std::optional<TrackPlan> trackById(std::int64_t id) const;

private:
    bool hasLargeId() const { return m_trackCount >= 20; }

    std::uint64_t m_seed;
    int m_trackCount;
};

} // namespace aru::server
