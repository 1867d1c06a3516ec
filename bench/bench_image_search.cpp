// Preparing a picture for the search by image: decoding, turning, shrinking to 800 pixels and
// encoding as JPEG, as the worker thread does it. Two pictures, written once into a temporary
// folder with a noisy pattern so they compress like photographs:
//  - a 24-megapixel JPEG (6000 × 4000), a camera's photo;
//  - a 12-megapixel PNG (4000 × 3000), a screenshot or an edited picture.
// The summary gives the medians (why this never runs on the main thread) and the memory the
// preparation adds: both formats are shrunk while they are decoded, so a whole decoded picture
// (96 MB for 24 megapixels) never exists. It never fails the run.

#include "ImageSearchPicture.h"
#include "MedianReporter.h"
#include "ResidentMemory.h"

#include <QCoreApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace aru;

// Well under one whole decoded picture.
constexpr double maxExtraMegabytes = 32.0;

struct Case {
    const char* name;
    QSize size;
    const char* format;
};
const Case cases[] = {
    {"jpeg_24mp", {6000, 4000}, "jpg"},
    {"png_12mp", {4000, 3000}, "png"},
};

QString fileFor(const Case& c) {
    static QTemporaryDir dir;
    static std::map<std::string, QString> written;
    if (const auto found = written.find(c.name); found != written.end())
        return found->second;
    QImage image(c.size, QImage::Format_RGB32);
    QRandomGenerator noise(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(noise.bounded(24));
            line[x] = qRgb((x * 255 / image.width() + grain) & 0xFF,
                           (y * 255 / image.height() + grain) & 0xFF, (x ^ y) & 0xFF);
        }
    }
    const QString path = dir.filePath(QString::fromLatin1(c.name) + QLatin1Char('.') +
                                      QString::fromLatin1(c.format));
    if (!image.save(path, nullptr, 90))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    written[c.name] = path;
    return path;
}

void prepare(benchmark::State& state, const Case& c) {
    const QString path = fileFor(c);
    for (auto _ : state) {
        const auto jpeg = ImageSearchPicture::encodeJpeg(path);
        if (!jpeg)
            state.SkipWithError("the picture could not be prepared");
        benchmark::DoNotOptimize(jpeg);
    }
}

// The peak resident size one preparation adds: the kernel's high-water mark is reset first.
double extraMegabytes(const Case& c) {
    const QString path = fileFor(c);
    test::ResidentMemory::resetPeak();
    const qint64 before = test::ResidentMemory::currentBytes();
    const auto jpeg = ImageSearchPicture::encodeJpeg(path);
    const qint64 peak = test::ResidentMemory::peakBytes();
    if (!jpeg || before < 0 || peak < 0)
        return -1;
    return double(peak - before) / (1024.0 * 1024.0);
}

std::string nameOf(const Case& c) {
    return std::string("prepare/") + c.name;
}

// Measured before any benchmark runs, while the heap holds nothing earlier runs left behind.
std::map<std::string, double>& extraMemory() {
    static std::map<std::string, double> measured;
    return measured;
}

void registerAll() {
    for (const Case& c : cases)
        extraMemory()[c.name] = extraMegabytes(c);
    for (const Case& c : cases)
        benchmark::RegisterBenchmark(nameOf(c).c_str(),
                                     [&c](benchmark::State& s) { prepare(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
}

void printSummary(const bench::MedianReporter& reporter) {
    std::printf("\nPicture preparation for the search by image, median wall time (informative, "
                "never fails the run):\n");
    std::printf("  %-10s %9s %9s   %s\n", "picture", "ms", "extra MB", "verdict");
    for (const Case& c : cases) {
        const auto median = reporter.median(nameOf(c));
        if (!median) {
            std::printf("  %-10s (filtered out or failed)\n", c.name);
            continue;
        }
        const double extra = extraMemory()[c.name];
        const bool met = extra >= 0 && extra < maxExtraMegabytes;
        std::printf("  %-10s %9.1f %9.1f   %s\n", c.name, *median, extra, met ? "met" : "MISSED");
    }
    std::printf("  target: under %.0f MB extra memory (decoded while shrinking); the time is why "
                "the preparation runs on a worker thread\n",
                maxExtraMegabytes);
}

} // namespace

int main(int argc, char** argv) {
    // The image format plugins are found through the application object.
    QCoreApplication app(argc, argv);
    return bench::runWithSummary(argc, argv, registerAll, printSummary);
}
