#pragma once

#include "TrackPlan.h"

#include <cstdint>

namespace aru::server {

// Builds one demo track from the catalogue seed and its position; the same inputs always give the
// same track, whatever the catalogue size.
class TrackFactory {
public:
    static TrackPlan make(std::uint64_t seed, int index, std::int64_t id);
};

} // namespace aru::server
