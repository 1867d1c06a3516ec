#pragma once

#include <cstdint>
#include <span>

namespace aru::server {

// SplitMix64: small, fast and identical on every platform, so a seed always yields the same
// catalogue, the same audio and the same covers. Each track gets its own generator (forItem), so
// one track can be rebuilt without generating the tracks before it.
class Rng {
public:
    explicit Rng(std::uint64_t seed)
        : m_state(seed) {}

    static Rng forItem(std::uint64_t seed, std::uint64_t item, std::uint64_t stream = 0) {
        Rng mixer(seed ^ (item * 0x9E3779B97F4A7C15ULL) ^ (stream * 0xD1B54A32D192ED03ULL));
        return Rng(mixer.next());
    }

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [lo, hi], both included.
    int between(int lo, int hi) {
        const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
        return lo + static_cast<int>(next() % span);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    bool chance(double probability) { return unit() < probability; }

    template <typename T> const T& pick(std::span<const T> items) {
        return items[static_cast<std::size_t>(next() % items.size())];
    }

private:
    std::uint64_t m_state;
};

} // namespace aru::server
