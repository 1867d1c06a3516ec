// The waveform measurement of a track's WAV, from the page cache, next to merely reading the
// same file's bytes (the floor: no measurement can read the file faster). Two files, written once
// into a temporary folder:
//  - five minutes at 44.1 kHz, 16-bit stereo (about 53 MB);
//  - ten minutes at 96 kHz, 24-bit stereo (about 346 MB).
// The summary compares the medians and the memory the measurement adds (peak resident size
// over the resident size before it) with the targets; it never fails the run.

#include "MedianReporter.h"
#include "PeakExtraction.h"
#include "ResidentMemory.h"
#include "WavFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <map>
#include <sndfile.h>
#include <string>
#include <vector>

namespace {

using namespace aru;

constexpr double maxExtraMegabytes = 8.0;

struct Case {
    const char* name;
    qint64 seconds;
    test::WavFormat format;
    // The most the measurement may take, in times the floor; 0 when only memory has a target.
    // 24-bit samples have no integer form whose squares sum exactly, so they go through the
    // double lanes at the arithmetic's pace.
    double maxTimesTheFloor;
};
const Case cases[] = {
    {"5min_44k1_16bit", 5 * 60, {2, 44'100, SF_FORMAT_PCM_16}, 2.0},
    {"10min_96k_24bit", 10 * 60, {2, 96'000, SF_FORMAT_PCM_24}, 0.0},
};

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

// The file of the case, written on first use and read once so it sits in the page cache.
QString fileFor(const Case& c) {
    static std::map<std::string, QString> written;
    auto found = written.find(c.name);
    if (found != written.end())
        return found->second;
    const QString path = folder().filePath(QString::fromLatin1(c.name) + QStringLiteral(".wav"));
    // A tone whose loudness drifts, so the bars differ.
    const int rate = c.format.sampleRate;
    const bool ok = test::writeWav(
        path, c.seconds * rate,
        [rate](qint64 frame, int channel) {
            const double t = double(frame) / rate;
            return float(0.6 * (0.5 + 0.5 * std::sin(t / 7.0 + channel)) *
                         std::sin(2.0 * 3.14159265 * 220.0 * t));
        },
        c.format);
    if (!ok)
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    QFile warm(path);
    if (warm.open(QIODevice::ReadOnly)) {
        while (!warm.read(1 << 20).isEmpty()) {
        }
    }
    written[c.name] = path;
    return path;
}

// The floor: the file's bytes read into one reused buffer, nothing else.
qint64 readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 0;
    std::vector<char> piece(256 * 1024);
    qint64 total = 0;
    qint64 got = 0;
    while ((got = file.read(piece.data(), qint64(piece.size()))) > 0)
        total += got;
    return total;
}

void floor(benchmark::State& state, const Case& c) {
    const QString path = fileFor(c);
    for (auto _ : state)
        benchmark::DoNotOptimize(readBytes(path));
}

void measure(benchmark::State& state, const Case& c) {
    const QString path = fileFor(c);
    for (auto _ : state) {
        const auto peaks = PeakExtraction::extractPeaks(path);
        benchmark::DoNotOptimize(peaks);
    }
}

// The peak resident size a measurement adds: the kernel's high-water mark is reset first.
template <typename Measure> double extraMegabytes(const Case& c, Measure measure) {
    const QString path = fileFor(c);
    test::ResidentMemory::resetPeak();
    const qint64 before = test::ResidentMemory::currentBytes();
    const auto peaks = measure(path, PeakExtraction::defaultPeakCount);
    const qint64 peak = test::ResidentMemory::peakBytes();
    if (!peaks || before < 0 || peak < 0)
        return -1;
    return double(peak - before) / (1024.0 * 1024.0);
}

std::string floorName(const Case& c) {
    return std::string("read_bytes/") + c.name;
}
std::string measureName(const Case& c) {
    return std::string("extract_peaks/") + c.name;
}

void registerAll() {
    for (const Case& c : cases) {
        benchmark::RegisterBenchmark(floorName(c).c_str(),
                                     [&c](benchmark::State& s) { floor(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(measureName(c).c_str(),
                                     [&c](benchmark::State& s) { measure(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
}

void printSummary(const bench::MedianReporter& reporter) {
    std::printf("\nWaveform measurement from the page cache, median wall time (informative, "
                "never fails the run):\n");
    std::printf("  %-18s %9s %9s %7s %9s %14s   %s\n", "file", "floor ms", "peaks ms", "ratio",
                "extra MB", "whole-file MB", "verdict");
    for (const Case& c : cases) {
        const auto base = reporter.median(floorName(c));
        const auto peaks = reporter.median(measureName(c));
        if (!base || !peaks) {
            std::printf("  %-18s (filtered out or failed)\n", c.name);
            continue;
        }
        const double ratio = *peaks / *base;
        const double extra = extraMegabytes(c, PeakExtraction::extractPeaks);
        // The same reading for the whole file in one buffer shows what the method can see.
        const double wholeFile = extraMegabytes(c, test::wholeFilePeaks);
        const bool fastEnough = c.maxTimesTheFloor == 0 || ratio <= c.maxTimesTheFloor;
        const bool met = fastEnough && extra >= 0 && extra < maxExtraMegabytes;
        std::printf("  %-18s %9.1f %9.1f %6.2fx %9.2f %14.1f   %s\n", c.name, *base, *peaks, ratio,
                    extra, wholeFile, met ? "met" : "MISSED");
    }
    std::printf(
        "  targets: under %.0f MB extra memory; the 16-bit file within %.1fx of the floor\n",
        maxExtraMegabytes, cases[0].maxTimesTheFloor);
}

} // namespace

int main(int argc, char** argv) {
    return bench::runWithSummary(argc, argv, registerAll, printSummary);
}
