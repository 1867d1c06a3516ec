// What a catalogue list pays per track row while the user flicks through it: building one
// TrackRow (and dropping it, as the list recycles it) next to a plain Text delegate showing the
// title, the floor any delegate pays; and one paint of a 380-peak WaveformBars 682 wide, the
// width of a row's strip in a 1280-wide window: laying the bars out and painting the picture the
// scene graph shows. The rows' tracks
// have their peaks in the waveform service's memory, as rows that scroll back into view do.
// A summary compares the medians; it never fails the run.

#include "AppServices.h"
#include "MedianReporter.h"
#include "TestState.h"
#include "WaveformBarLayout.h"
#include "WaveformBarPicture.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

using namespace aru;

constexpr int trackCount = 100;
constexpr qreal stripWidth = 682;
constexpr qreal stripHeight = 28;
// Rows are dropped in batches between which the event loop runs, as it would between frames.
constexpr int rowsPerBatch = 50;

Peaks samplePeaks() {
    Peaks peaks;
    for (int i = 0; i < PeakExtraction::defaultPeakCount; ++i)
        peaks.append(float(0.5 + 0.5 * std::sin(i / 9.0)));
    return peaks;
}

// The services, a state, an engine with the app's module and a window to put rows in.
struct Scene {
    QTemporaryDir dir;
    AppServices services{dir.filePath("caches")};
    test::TestState state;
    QQmlEngine engine;
    QQuickWindow window;
    QList<Track> tracks;

    Scene() {
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        window.resize(1280, 800);
        QByteArray peaks = "[";
        for (const float v : samplePeaks())
            peaks += QByteArray::number(v) + ',';
        peaks.back() = ']';
        for (int i = 0; i < trackCount; ++i) {
            Track track;
            track.id = 1000 + i;
            track.title = QStringLiteral("Night Rain %1").arg(i);
            track.artist = QStringLiteral("Jane Roe");
            track.genre = QStringLiteral("Cinematic");
            track.mood = QStringList{"Dark", "Tense", "Noir", "Calm", "Hopeful"};
            track.duration = QStringLiteral("3:05");
            track.audioFile = QStringLiteral("/api/audio/%1.wav").arg(track.id);
            track.isrc = QStringLiteral("FR-ARU-21-%1").arg(i);
            tracks.append(track);
            QFile cache(services.waveforms().cacheFilePath(track.id));
            if (cache.open(QIODevice::WriteOnly))
                cache.write(peaks);
            // Read once, as a row that was shown before.
            services.waveforms().cached(track.id);
        }
    }
};

Scene& scene() {
    static Scene instance;
    return instance;
}

void buildRows(benchmark::State& state, QQmlComponent& component) {
    Scene& s = scene();
    if (component.isError()) {
        state.SkipWithError(qPrintable(component.errorString()));
        return;
    }
    std::vector<std::unique_ptr<QObject>> built;
    int next = 0;
    for (auto _ : state) {
        const QVariantMap properties{{"track", QVariant::fromValue(s.tracks[next++ % trackCount])}};
        std::unique_ptr<QObject> row(component.createWithInitialProperties(properties));
        auto* item = qobject_cast<QQuickItem*>(row.get());
        item->setParentItem(s.window.contentItem());
        item->setWidth(1280);
        built.push_back(std::move(row));
        if (built.size() == rowsPerBatch) {
            built.clear();
            state.PauseTiming();
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    }
}

void trackRow(benchmark::State& state) {
    QQmlComponent component(&scene().engine, QUrl(QStringLiteral("qrc:/qt/qml/Aru/TrackRow.qml")));
    buildRows(state, component);
}

void textDelegate(benchmark::State& state) {
    QQmlComponent component(&scene().engine);
    component.setData("import QtQuick\n"
                      "Text { required property var track; text: track.title }\n",
                      QUrl(QStringLiteral("qrc:/bench/TextDelegate.qml")));
    buildRows(state, component);
}

void paintBars(benchmark::State& state) {
    const Peaks peaks = samplePeaks();
    int played = 0;
    for (auto _ : state) {
        const auto values = WaveformBarLayout::barValues(peaks, stripWidth);
        const auto bars = WaveformBarLayout::bars(values, {stripWidth, stripHeight},
                                                  played++ % int(values.size()));
        const QImage picture = WaveformBarPicture::paint(bars, {stripWidth, stripHeight}, 1.0);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void registerAll() {
    const auto add = [](const char* name, void (*run)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, run)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    };
    add("build_row/text_delegate", textDelegate);
    add("build_row/track_row", trackRow);
    add("paint_bars/picture_380", paintBars);
}

void printSummary(const bench::MedianReporter& reporter) {
    std::printf("\nOne track row and one waveform paint, median wall time (informative, never "
                "fails the run):\n");
    const auto floor = reporter.median("build_row/text_delegate");
    const auto row = reporter.median("build_row/track_row");
    if (floor && row)
        std::printf("  build a row: %.1f us (plain Text delegate: %.1f us, %.1fx)\n", *row, *floor,
                    *row / *floor);
    if (const auto paint = reporter.median("paint_bars/picture_380"))
        std::printf("  paint a waveform picture: %.1f us\n", *paint);
}

} // namespace

int main(int argc, char** argv) {
    // Rows are built without showing a window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return bench::runWithSummary(argc, argv, registerAll, printSummary);
}
