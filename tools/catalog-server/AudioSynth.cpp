#include "AudioSynth.h"

#include "Rng.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace aru::server {

namespace {

constexpr int kTableSize = 4096;
constexpr int kBlockFrames = 8192;

// Table lookup instead of std::sin: a three-minute track needs about 100 million oscillator
// samples.
class SineTable {
public:
    SineTable() {
        for (int i = 0; i <= kTableSize; ++i)
            m_values[static_cast<std::size_t>(i)] =
                static_cast<float>(std::sin(2.0 * std::numbers::pi * i / kTableSize));
    }
    // `phase` in cycles, any value in [0, 1).
    double operator()(double phase) const {
        const double position = phase * kTableSize;
        const auto index = static_cast<std::size_t>(position);
        const double fraction = position - static_cast<double>(index);
        return m_values[index] + (m_values[index + 1] - m_values[index]) * fraction;
    }

private:
    std::array<float, kTableSize + 1> m_values{};
};

const SineTable& sine() {
    static const SineTable table;
    return table;
}

double wrap(double phase) {
    return phase - std::floor(phase);
}

double midiHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

double decayPerSample(double seconds) {
    return std::exp(-1.0 / (seconds * AudioSynth::kSampleRate));
}

// Smooth saturation: loud passages stay below full scale without hard clipping.
double saturate(double x) {
    if (x > 3.0)
        return 1.0;
    if (x < -3.0)
        return -1.0;
    return x * (27.0 + x * x) / (27.0 + 9.0 * x * x);
}

void appendLittleEndian(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

QByteArray wavHeader(std::int64_t frames) {
    const auto dataBytes = static_cast<std::uint32_t>(frames * AudioSynth::kBytesPerFrame);
    QByteArray header;
    header.append("RIFF");
    appendLittleEndian(header, 36 + dataBytes, 4);
    header.append("WAVEfmt ");
    appendLittleEndian(header, 16, 4);
    appendLittleEndian(header, 1, 2); // PCM
    appendLittleEndian(header, AudioSynth::kChannels, 2);
    appendLittleEndian(header, AudioSynth::kSampleRate, 4);
    appendLittleEndian(header, AudioSynth::kSampleRate * AudioSynth::kBytesPerFrame, 4);
    appendLittleEndian(header, AudioSynth::kBytesPerFrame, 2);
    appendLittleEndian(header, 16, 2);
    header.append("data");
    appendLittleEndian(header, dataBytes, 4);
    return header;
}

bool writeSamples(QIODevice& out, const std::vector<qint16>& block, std::size_t& filled) {
    const auto bytes = static_cast<qint64>(filled * sizeof(qint16));
    filled = 0;
    return out.write(reinterpret_cast<const char*>(block.data()), bytes) == bytes;
}

} // namespace

AudioSynth::AudioSynth(const TrackPlan& track)
    : m_durationSeconds(std::max(1, track.durationSeconds))
    , m_beatSeconds(60.0 / std::max(40, track.bpm))
    , m_barSeconds(4 * m_beatSeconds)
    , m_drums(track.character == words::Character::Energetic ||
              track.character == words::Character::Dark)
    , m_busyArpeggio(track.character != words::Character::Calm)
    , m_seed(track.soundSeed)
    , m_keyRoot(track.keyRoot)
    , m_minor(track.minor) {
    planSections(m_seed);
    planChords(m_seed);
}

std::int64_t AudioSynth::frameCount() const {
    return static_cast<std::int64_t>(m_durationSeconds) * kSampleRate;
}

void AudioSynth::planSections(std::uint64_t seed) {
    Rng rng(seed ^ 0x5EC7105ULL);
    const int bars = static_cast<int>(std::ceil(m_durationSeconds / m_barSeconds)) + 2;
    if (m_durationSeconds < 25) {
        // A sting: one swell to a loud hit.
        for (int bar = 0; bar < bars; ++bar)
            m_barLevels.push_back(std::min(1.0, 0.35 + 0.65 * bar / std::max(1, bars - 3)));
        return;
    }
    double level = 0.18; // quiet intro
    for (int section = 0; static_cast<int>(m_barLevels.size()) < bars; ++section) {
        const int length = rng.chance(0.5) ? 4 : 8;
        for (int i = 0; i < length; ++i)
            m_barLevels.push_back(level);
        if (section == 1)
            level = 1.0; // every track reaches full level early on
        else if (level >= 0.8 && rng.chance(0.4))
            level = 0.15; // a break after a loud passage
        else
            level = std::array{0.3, 0.55, 0.8, 1.0}[rng.next() % 4];
    }
}

void AudioSynth::planChords(std::uint64_t seed) {
    Rng rng(seed ^ 0xC0ADULL);
    struct Degree {
        int offset;
        bool minor;
    };
    static constexpr std::array<std::array<Degree, 4>, 2> kMinorProgressions{{
        {{{0, true}, {8, false}, {3, false}, {10, false}}},
        {{{0, true}, {5, true}, {8, false}, {7, false}}},
    }};
    static constexpr std::array<std::array<Degree, 4>, 2> kMajorProgressions{{
        {{{0, false}, {7, false}, {9, true}, {5, false}}},
        {{{0, false}, {5, false}, {9, true}, {7, false}}},
    }};
    const auto& progression = (m_minor ? kMinorProgressions : kMajorProgressions)[rng.next() % 2];
    for (const Degree& degree : progression) {
        const int root = 48 + m_keyRoot + degree.offset;
        const int third = root + (degree.minor ? 3 : 4);
        Chord chord{};
        chord.pad = {midiHz(root), midiHz(third), midiHz(root + 7)};
        chord.bass = midiHz(root - 12 - (degree.offset > 6 ? 12 : 0));
        chord.arpeggio = {midiHz(root + 12), midiHz(third + 12), midiHz(root + 19),
                          midiHz(third + 24)};
        m_chords.push_back(chord);
    }
}

double AudioSynth::levelAt(double seconds) const {
    const double barPosition = seconds / m_barSeconds;
    const auto bar = std::min(static_cast<std::size_t>(barPosition), m_barLevels.size() - 2);
    const double fraction = barPosition - static_cast<double>(bar);
    double level = m_barLevels[bar];
    if (fraction > 0.75)
        level += (m_barLevels[bar + 1] - level) * (fraction - 0.75) * 4.0;
    const double fadeOut = m_durationSeconds < 25 ? 0.4 : 2.0;
    level *= std::clamp((m_durationSeconds - seconds) / fadeOut, 0.0, 1.0);
    level *= std::clamp(seconds / 0.02, 0.0, 1.0);
    return level;
}

bool AudioSynth::writeWav(QIODevice& out) const {
    const std::int64_t frames = frameCount();
    if (out.write(wavHeader(frames)) != kHeaderBytes)
        return false;

    const SineTable& sin = sine();
    const double dt = 1.0 / kSampleRate;
    const double bassDecay = decayPerSample(m_busyArpeggio ? 0.35 : 0.9);
    const double arpDecay = decayPerSample(m_busyArpeggio ? 0.12 : 0.5);
    const double kickDecay = decayPerSample(0.09);
    const double hatDecay = decayPerSample(0.018);
    const int arpStepsPerBeat = m_busyArpeggio ? 2 : 1;

    std::array<double, 6> padPhase{};
    double bassPhase = 0, arpPhase = 0, kickPhase = 0, lfoPhase = 0;
    double bassEnv = 0, arpEnv = 0, kickEnv = 0, hatEnv = 0, kickHz = 50;
    std::int64_t lastStep = -1;
    std::uint64_t noise = m_seed | 1;

    std::vector<qint16> block(kBlockFrames * kChannels);
    std::size_t filled = 0;
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        const double t = static_cast<double>(frame) * dt;
        const auto bar = static_cast<std::size_t>(t / m_barSeconds);
        const Chord& chord = m_chords[bar % m_chords.size()];
        const double level = levelAt(t);

        // Triggers on each arpeggio step; beats are every `arpStepsPerBeat` steps.
        const auto step = static_cast<std::int64_t>(t / m_beatSeconds * arpStepsPerBeat);
        if (step != lastStep) {
            lastStep = step;
            arpEnv = 1.0;
            const bool onBeat = step % arpStepsPerBeat == 0;
            const std::int64_t beat = step / arpStepsPerBeat;
            if (onBeat && (m_busyArpeggio || beat % 2 == 0))
                bassEnv = 1.0;
            if (m_drums && onBeat && level > 0.5) {
                kickEnv = 1.0;
                kickHz = 120.0;
            }
            if (m_drums && !onBeat && level > 0.4)
                hatEnv = 1.0;
        }

        double padLeft = 0, padRight = 0;
        for (std::size_t voice = 0; voice < 3; ++voice) {
            for (std::size_t detune = 0; detune < 2; ++detune) {
                double& phase = padPhase[voice * 2 + detune];
                phase = wrap(phase + chord.pad[voice] * (detune ? 1.003 : 0.997) * dt);
                const double sample = sin(phase) + 0.25 * sin(wrap(2 * phase));
                ((voice + detune) % 2 ? padRight : padLeft) += sample;
            }
        }

        bassPhase = wrap(bassPhase + chord.bass * dt);
        const double bass = (sin(bassPhase) + 0.3 * sin(wrap(2 * bassPhase))) * (0.35 + bassEnv);
        bassEnv *= bassDecay;

        const auto arpIndex = static_cast<std::size_t>(step % 4);
        arpPhase = wrap(arpPhase + chord.arpeggio[arpIndex] * dt);
        const double arp = (sin(arpPhase) + 0.3 * sin(wrap(3 * arpPhase))) * arpEnv;
        arpEnv *= arpDecay;
        lfoPhase = wrap(lfoPhase + 0.07 * dt);
        const double pan = 0.5 + 0.35 * sin(lfoPhase);

        kickHz = 45.0 + (kickHz - 45.0) * 0.9993;
        kickPhase = wrap(kickPhase + kickHz * dt);
        const double kick = sin(kickPhase) * kickEnv;
        kickEnv *= kickDecay;

        noise ^= noise << 13;
        noise ^= noise >> 7;
        noise ^= noise << 17;
        const double hat =
            (static_cast<double>(noise >> 11) * 0x1.0p-53 * 2.0 - 1.0) * hatEnv * 0.08;
        hatEnv *= hatDecay;

        const double common = 0.22 * bass + 0.55 * kick;
        const double left = 0.09 * padLeft + common + 0.2 * arp * (1.0 - pan) + hat * 0.7;
        const double right = 0.09 * padRight + common + 0.2 * arp * pan + hat;
        block[filled++] = qToLittleEndian(static_cast<qint16>(saturate(left * level) * 30000.0));
        block[filled++] = qToLittleEndian(static_cast<qint16>(saturate(right * level) * 30000.0));
        if (filled == block.size() && !writeSamples(out, block, filled))
            return false;
    }
    return writeSamples(out, block, filled);
}

std::vector<double> AudioSynth::peaks(int count) const {
    Rng rng(m_seed ^ 0x9EA6ULL);
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(count));
    double highest = 0.0;
    for (int i = 0; i < count; ++i) {
        const double t = (i + 0.5) * m_durationSeconds / count;
        const double value = levelAt(t) * (0.8 + 0.2 * rng.unit());
        highest = std::max(highest, value);
        values.push_back(value);
    }
    if (highest > 0.0) {
        for (double& value : values)
            value /= highest;
    }
    return values;
}

} // namespace aru::server
