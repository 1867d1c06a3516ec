#pragma once

#include "TrackPlan.h"

#include <array>
#include <cstdint>
#include <vector>

class QIODevice;

namespace aru::server {

// Synthesises a track's audio as a 44.1 kHz 16-bit stereo WAV file: a chord progression in the
// track's key with pad, bass, arpeggio and (for the livelier tracks) drums, shaped by sections of
// quiet and loud bars so that waveforms have something to show.
class AudioSynth {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;
    static constexpr int kBytesPerFrame = 4;
    static constexpr int kHeaderBytes = 44;

    explicit AudioSynth(const TrackPlan& track);

    std::int64_t frameCount() const;
    bool writeWav(QIODevice& out) const;
    // The loudness outline of the track, `count` values normalised to 0..1.
    std::vector<double> peaks(int count) const;

private:
    struct Chord {
        std::array<double, 3> pad;
        double bass;
        std::array<double, 4> arpeggio;
    };

    void planSections(std::uint64_t seed);
    void planChords(std::uint64_t seed);
    double levelAt(double seconds) const;

    int m_durationSeconds;
    double m_beatSeconds;
    double m_barSeconds;
    bool m_drums;
    bool m_busyArpeggio;
    std::uint64_t m_seed;
    int m_keyRoot;
    bool m_minor;
    std::vector<double> m_barLevels;
    std::vector<Chord> m_chords;
};

} // namespace aru::server
