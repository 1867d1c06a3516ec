// The catalogue screen (the real CatalogView.qml) at 100,000 tracks as a user flicks through it
// and types into its search, beside a floor measured on the same model in the same run: a bare
// ListView whose delegate is one Text of the title. The Text is as tall as a track row, so both
// lists scroll through the same rows at the same pace with as many delegates alive.
//
//  - scroll/<list>/round_<n>: the list's contentY moves by a fixed step (three quarters of a
//    row) each frame through 2,000 rows, each round through its own 2,000 from the top, a frame
//    every sixtieth of a second as a flick runs on a 60 Hz display. A frame's time runs from the
//    move to the swap of the first frame synchronised after it. Median, 95th percentile and longest
//    frame; the first frame, which meets a view nobody scrolled yet, is reported apart. The
//    screen's rows are painted on another thread while the list travels; frames that showed a row
//    before its picture was painted are counted. Paced frames this short vary from one run to the
//    next by more than the gap being measured, so the floor and the screen take turns over several
//    rounds; each round's screen is compared with the floor just before it, and the summary judges
//    the median of the rounds' ratios.
//  - keystroke/<case>: one key typed into the search field, from the key press to the swap of
//    the first frame synchronised after the list's model changed. Beside it filter/index/<case>,
//    the search index answering the same text, and filter/catalog_search/<case>, the search state
//    applying it to its models, neither with a view.
//  - memory: in a fresh process (this executable again), the resident memory with the screen
//    shown over the catalogue, next to what the decoded records and the search index add.
//
// Nothing goes to the network: the player is the tests' fake one, every track's peaks are in the
// waveform cache folder and every track's cover in the cover cache folder (hard links of the
// same bytes, each under its track's own name), the search never asks the server to interpret a
// text, and the server address points at a closed loopback port. The renderer is chosen as the
// app chooses it (set QT_QUICK_BACKEND or QSG_RHI_BACKEND to force one); the run prints which.
// Frames come from the window system the run is given; for comparable figures run it under Xvfb:
//   QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24"
//   build-bench/bench/bench_catalog_view
// A summary compares the figures with the targets; it never fails the run.

#include "AppServices.h"
#include "AppState.h"
#include "Cancellation.h"
#include "Catalog.h"
#include "CatalogFixture.h"
#include "CatalogSearch.h"
#include "ChildProcess.h"
#include "FontRegistry.h"
#include "HeapTuning.h"
#include "MedianReporter.h"
#include "PreparedCatalog.h"
#include "ResidentMemory.h"
#include "SceneGraphChoice.h"
#include "SemanticSearch.h"
#include "TestHome.h"
#include "TestState.h"
#include "ViewHarness.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QQmlComponent>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QRandomGenerator>
#include <QSGRendererInterface>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace aru;

constexpr int catalogSize = 100'000;
constexpr QSize windowSize{1280, 820};
constexpr int scrolledRows = 2000;
// Three quarters of a row per frame: at 60 frames a second a brisk flick, a new row every frame
// or two.
constexpr double stepRows = 0.75;
const int scrollFrames = int(std::ceil(scrolledRows / stepRows));
constexpr int scrollRounds = 3;
constexpr int keystrokes = 15;
constexpr int filterRuns = 30;

// Targets.
constexpr double maxMedianTimesFloor = 2.0;
constexpr double maxP95TimesFloor = 3.0;
constexpr double maxFrameMilliseconds = 50.0;
constexpr double maxKeystrokeMilliseconds = 25.0;
constexpr double maxKeystrokeAboveFilter = 10.0;

const char* const memoryChildFlag = "--memory-child";

// One keystroke: `typed` is the text once the last character of it is typed after the others.
struct Case {
    const char* name;
    const char* typed;
};
constexpr Case cases[] = {
    {"first_letter_n", "n"},       // nearly every track still matches
    {"direct_calm", "calm"},       // a mood matched directly
    {"vocabulary_pluie", "pluie"}, // no direct match: the vocabulary's tags, as suggestions
    {"trailing_space_night", "night "},
};

qint64 nowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double megabytes(qint64 bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

// Heap in use, counting the blocks malloc maps on their own. mallinfo2 sums every arena.
qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

void spin(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Stats {
    double median = 0;
    double p95 = 0;
    double max = 0;
    double first = 0;
    size_t count = 0;
    // Samples over the frame budget, and where the longest came (0: the first sample).
    int overBudget = 0;
    size_t longestAt = 0;
    // Frames that showed a row of the list without its picture yet.
    int framesWithUnpaintedRows = 0;
};

// `skipFirst`: the first sample is kept out of the distribution (reported as `first`).
Stats statsOf(std::vector<double> samples, bool skipFirst) {
    Stats stats;
    if (samples.empty())
        return stats;
    stats.first = samples.front();
    const auto from = samples.begin() + (skipFirst ? 1 : 0);
    stats.overBudget = int(
        std::count_if(from, samples.end(), [](double ms) { return ms > maxFrameMilliseconds; }));
    stats.longestAt = size_t(std::max_element(from, samples.end()) - samples.begin());
    if (skipFirst && samples.size() > 1)
        samples.erase(samples.begin());
    std::sort(samples.begin(), samples.end());
    stats.count = samples.size();
    stats.median = bench::median(samples);
    const size_t rank = size_t(std::ceil(0.95 * double(samples.size())));
    stats.p95 = samples[std::clamp<size_t>(rank, 1, samples.size()) - 1];
    stats.max = samples.back();
    return stats;
}

// Every measurement, for the summary.
std::map<std::string, Stats>& results() {
    static std::map<std::string, Stats> all;
    return all;
}

// When each frame of a window was synchronised and swapped. With the threaded render loop both
// signals come from the render thread; a frame is synchronised, rendered and swapped before the
// next one starts, so the sync start read at the swap is that frame's own.
class FrameClock {
public:
    explicit FrameClock(QQuickWindow& window) {
        QObject::connect(
            &window, &QQuickWindow::beforeSynchronizing, &m_context, [this] { m_syncNs = nowNs(); },
            Qt::DirectConnection);
        QObject::connect(
            &window, &QQuickWindow::frameSwapped, &m_context,
            [this] {
                m_swappedAt = nowNs();
                m_swappedSync = m_syncNs.load();
                ++m_swaps;
            },
            Qt::DirectConnection);
        // Wakes the main thread's loop, which a swap on the render thread alone would not.
        QObject::connect(
            &window, &QQuickWindow::frameSwapped, &m_context,
            [this] {
                if (m_loop && m_swappedSync >= m_waitSince)
                    m_loop->quit();
            },
            Qt::QueuedConnection);
    }

    // When the first frame synchronised at or after `sinceNs` was swapped; none if no such frame
    // came in time.
    std::optional<qint64> waitForFrameAfter(qint64 sinceNs, int timeoutMs = 5000) {
        if (m_swappedSync < sinceNs) {
            QEventLoop loop;
            m_loop = &loop;
            m_waitSince = sinceNs;
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
            m_loop = nullptr;
        }
        if (m_swappedSync < sinceNs)
            return std::nullopt;
        return m_swappedAt.load();
    }

    // Runs the event loop until no frame was swapped for `quietMs` (covers arriving, rows the
    // incubator finishes), at most `limitMs`.
    void settle(int quietMs = 200, int limitMs = 5000) {
        const QDeadlineTimer limit(limitMs);
        int seen = m_swaps;
        while (!limit.hasExpired()) {
            spin(quietMs);
            if (m_swaps == seen)
                return;
            seen = m_swaps;
        }
    }

private:
    std::atomic<qint64> m_syncNs{0};
    std::atomic<qint64> m_swappedAt{0};
    std::atomic<qint64> m_swappedSync{0};
    std::atomic<int> m_swaps{0};
    QEventLoop* m_loop = nullptr;
    qint64 m_waitSince = 0;
    // Last, so its connections go before the members they use.
    QObject m_context;
};

// The first change of any of the models, seen as it happens.
class ListChange {
public:
    explicit ListChange(std::initializer_list<QAbstractItemModel*> models) {
        const auto mark = [this] {
            if (!m_at)
                m_at = nowNs();
            if (m_loop)
                m_loop->quit();
        };
        for (QAbstractItemModel* model : models) {
            QObject::connect(model, &QAbstractItemModel::modelReset, &m_context, mark);
            QObject::connect(model, &QAbstractItemModel::rowsInserted, &m_context, mark);
            QObject::connect(model, &QAbstractItemModel::rowsRemoved, &m_context, mark);
            QObject::connect(model, &QAbstractItemModel::dataChanged, &m_context, mark);
            QObject::connect(model, &QAbstractItemModel::layoutChanged, &m_context, mark);
        }
    }

    // When the first change came; none if none came in time.
    std::optional<qint64> wait(int timeoutMs = 2000) {
        if (!m_at) {
            QEventLoop loop;
            m_loop = &loop;
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
            m_loop = nullptr;
        }
        return m_at ? std::optional<qint64>(m_at) : std::nullopt;
    }

private:
    qint64 m_at = 0;
    QEventLoop* m_loop = nullptr;
    QObject m_context;
};

Peaks samplePeaks() {
    Peaks peaks;
    for (int i = 0; i < PeakExtraction::defaultPeakCount; ++i)
        peaks.append(float(0.5 + 0.5 * std::sin(i / 9.0)));
    return peaks;
}

// A cover as the server sends them: a 400-pixel JPEG with enough detail to weigh what a real
// one does.
QImage sampleCover() {
    QImage image(400, 400, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 400, 400);
    gradient.setColorAt(0, QColor(30, 40, 90));
    gradient.setColorAt(1, QColor(200, 120, 60));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator random(7);
    for (int i = 0; i < 300; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate() | 0xff000000u));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(random.bounded(400), random.bounded(400)),
                            random.bounded(4, 30), random.bounded(4, 30));
    }
    return image;
}

// Puts `source`'s bytes under `target`: a hard link, which costs neither the time nor the disk
// of 100,000 copies, else a copy.
bool placeAs(const QString& source, const QString& target) {
    return ::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) ==
               0 ||
           QFile::copy(source, target);
}

// Every track's peaks in the waveform cache folder and every track's cover in the cover cache
// folder, so no row fetches anything. The number of files that could not be placed.
int seedCaches(AppServices& services, const QList<Track>& tracks, const QString& scratch) {
    QByteArray peaks = "[";
    for (const float v : samplePeaks())
        peaks += QByteArray::number(v) + ',';
    peaks.back() = ']';
    const QString peaksFile = scratch + QStringLiteral("/peaks.json");
    const QString coverFile = scratch + QStringLiteral("/cover.jpg");
    QFile out(peaksFile);
    if (!out.open(QIODevice::WriteOnly) || out.write(peaks) != peaks.size())
        return int(tracks.size());
    out.close();
    if (!sampleCover().save(coverFile, "JPEG", 85))
        return int(tracks.size());
    int failed = 0;
    for (const Track& track : tracks) {
        if (!placeAs(peaksFile, services.waveforms().cacheFilePath(track.id)))
            ++failed;
        const QUrl cover = track.coverArtURL();
        if (cover.isValid() && !placeAs(coverFile, services.covers().diskPath(cover)))
            ++failed;
    }
    // 200,000 new directory entries: had the kernel written them out in its own time, it would
    // have done so on a core the frames need, at a moment no run could choose.
    ::sync();
    return failed;
}

// The state as the screen needs it: English, and a search that never asks the server.
void prepareState(AppState& state) {
    state.preferences()->setLanguage(AppLanguage::En);
    state.search()->setInterpretSearch(
        [](QString, QStringList,
           QPointer<Cancellation>) -> QCoro::Task<std::optional<QStringList>> {
            co_return std::nullopt;
        });
}

// Runs the event loop until `done` holds; false after `timeoutMs`.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20'000) {
    const QDeadlineTimer limit(timeoutMs);
    while (!done()) {
        if (limit.hasExpired())
            return false;
        spin(10);
    }
    return true;
}

// The catalogue screen shown over the whole catalogue, its rows laid out and their covers in.
// An empty text when it is, else what went wrong.
QString showScreen(std::unique_ptr<test::ViewHarness>& screen) {
    screen = std::make_unique<test::ViewHarness>(QStringLiteral("CatalogView.qml"), windowSize);
    if (!screen->isReady() || !screen->waitExposed())
        return QStringLiteral("the catalogue screen could not be shown");
    // The search field takes the keys only in the active window. Without a window manager
    // activation may not be confirmed; the keystrokes check the field's focus themselves.
    screen->window()->requestActivate();
    (void)QTest::qWaitForWindowActive(screen->window(), 2000);
    QQuickItem* list = screen->item(QStringLiteral("trackListView"));
    if (!list || !waitUntil([list] { return list->property("count").toInt() == catalogSize; }))
        return QStringLiteral("the list never showed the whole catalogue");
    FrameClock(*screen->window()).settle();
    return {};
}

// What every benchmark of the run shares: the services over a cache folder of their own, the
// state with the catalogue, and the screen over it.
struct Scene {
    QTemporaryDir dir;
    AppServices services{dir.filePath(QStringLiteral("caches"))};
    test::TestState state;
    PreparedCatalog prepared;
    std::unique_ptr<test::ViewHarness> screen;
    std::unique_ptr<FrameClock> clock;
    qreal rowHeight = 0;
    // Why nothing can be measured, if so.
    QString problem;

    Scene() {
        prepared = PreparedCatalog::fromJson(test::generatedCatalogJson(catalogSize)).value();
        if (const int failed = seedCaches(services, prepared.catalog.tracks, dir.path())) {
            problem = QStringLiteral("%1 cache files could not be placed").arg(failed);
            return;
        }
        prepareState(*state);
        state->catalog()->replace(prepared.catalog, prepared.searchIndex);
        problem = showScreen(screen);
        if (!problem.isEmpty())
            return;
        clock = std::make_unique<FrameClock>(*screen->window());
        QQuickItem* row = nullptr;
        QMetaObject::invokeMethod(screen->item(QStringLiteral("trackListView")), "itemAtIndex",
                                  Q_RETURN_ARG(QQuickItem*, row), Q_ARG(int, 0));
        rowHeight = row ? row->height() : 0;
        if (rowHeight <= 0)
            problem = QStringLiteral("the first row has no height");
        const auto api = screen->window()->rendererInterface()->graphicsApi();
        std::printf("Platform %s, scene graph %s, render loop %s, window %dx%d, row %.0f px\n",
                    qPrintable(QGuiApplication::platformName()),
                    api == QSGRendererInterface::OpenGL     ? "OpenGL"
                    : api == QSGRendererInterface::Software ? "software"
                                                            : "other",
                    qEnvironmentVariableIsEmpty("QSG_RENDER_LOOP")
                        ? "default"
                        : qgetenv("QSG_RENDER_LOOP").constData(),
                    windowSize.width(), windowSize.height(), rowHeight);
    }
    ~Scene() {
        clock.reset();
        screen.reset();
    }
};

std::unique_ptr<Scene> theScene;

// Built on first use, so that a run filtered to the memory benchmark does not pay for it.
Scene* scene(benchmark::State& state) {
    if (!theScene)
        theScene = std::make_unique<Scene>();
    if (!theScene->problem.isEmpty()) {
        state.SkipWithError(qPrintable(theScene->problem));
        return nullptr;
    }
    return theScene.get();
}

void setFrameCounters(benchmark::State& state, const Stats& stats) {
    state.counters["median_ms"] = stats.median;
    state.counters["p95_ms"] = stats.p95;
    state.counters["max_ms"] = stats.max;
    state.counters["first_ms"] = stats.first;
    state.counters["over_50ms"] = stats.overBudget;
    state.counters["max_at_frame"] = double(stats.longestAt);
}

// Runs the event loop until `ns` on the benchmark's clock.
void runEventsUntil(qint64 ns) {
    const qint64 left = ns - nowNs();
    if (left <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(int((left + 999'999) / 1'000'000), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec();
}

// Rows in the list's viewport that show the page's colour instead of their picture this frame.
int unpaintedRows(QQuickItem& list) {
    auto* content = list.property("contentItem").value<QQuickItem*>();
    const qreal top = list.property("contentY").toReal();
    const qreal bottom = top + list.height();
    int unpainted = 0;
    for (QQuickItem* slot : content->childItems()) {
        if (!slot->isVisible() || slot->y() + slot->height() <= top || slot->y() >= bottom)
            continue;
        QQuickItem* picture = test::ViewHarness::find(slot, QStringLiteral("trackRowPicture"));
        if (picture && picture->isVisible() && !picture->property("painted").toBool())
            ++unpainted;
    }
    return unpainted;
}

// Scrolls `list` through the round's rows by stepRows a frame, one frame per iteration, at the pace
// of a 60 Hz display as a flick runs: each frame starts a sixtieth of a second after the one
// before. Only the frame's own work is timed; the rest of the sixtieth is the event loop's, as in
// the app.
void scrollThrough(benchmark::State& state, const std::string& name, QQuickWindow& window,
                   QQuickItem& list, FrameClock& clock, qreal rowHeight, int round) {
    // Each round meets rows no round has shown: its own stretch of the catalogue.
    const qreal top = list.property("originY").toReal() + (round - 1) * scrolledRows * rowHeight;
    list.setProperty("contentY", top);
    clock.settle();
    const qreal step = rowHeight * stepRows;
    constexpr qint64 framePeriodNs = 1'000'000'000 / 60;
    std::vector<double> frames;
    frames.reserve(size_t(scrollFrames));
    int frame = 0;
    int framesWithUnpaintedRows = 0;
    qint64 nextFrameAt = nowNs();
    for (auto _ : state) {
        ++frame;
        state.PauseTiming();
        runEventsUntil(nextFrameAt);
        state.ResumeTiming();
        nextFrameAt += framePeriodNs;
        const qint64 start = nowNs();
        list.setProperty("contentY", top + frame * step);
        window.update();
        const auto swapped = clock.waitForFrameAfter(start);
        if (!swapped) {
            state.SkipWithError("no frame was rendered");
            break;
        }
        const double milliseconds = double(*swapped - start) / 1e6;
        state.SetIterationTime(milliseconds / 1e3);
        frames.push_back(milliseconds);
        if (unpaintedRows(list) > 0)
            ++framesWithUnpaintedRows;
    }
    Stats stats = statsOf(frames, true);
    stats.framesWithUnpaintedRows = framesWithUnpaintedRows;
    results()[name] = stats;
    setFrameCounters(state, stats);
    state.counters["frames_unpainted_rows"] = framesWithUnpaintedRows;
}

std::string floorScroll(int round) {
    return "scroll/floor_text_delegate/round_" + std::to_string(round);
}
std::string screenScroll(int round) {
    return "scroll/catalog_view/round_" + std::to_string(round);
}

// The floor: a bare ListView over the same model, where the screen's list is, in a window of
// the same size.
void scrollFloor(benchmark::State& state, int round) {
    Scene* s = scene(state);
    if (!s)
        return;
    QQuickItem* screenList = s->screen->item(QStringLiteral("trackListView"));
    const QRectF area =
        screenList->mapRectToScene(QRectF(0, 0, screenList->width(), screenList->height()));
    s->screen->window()->hide();
    {
        QQmlEngine engine;
        QQuickWindow window;
        window.resize(windowSize);
        QQmlComponent component(&engine);
        component.setData("import QtQuick\n"
                          "ListView {\n"
                          "    id: list\n"
                          "    required property real rowHeight\n"
                          "    delegate: Text {\n"
                          "        required property var track\n"
                          "        height: list.rowHeight\n"
                          "        text: track.title\n"
                          "    }\n"
                          "}\n",
                          QUrl(QStringLiteral("qrc:/bench/FloorList.qml")));
        const QVariantMap properties{
            {"model", QVariant::fromValue<QObject*>(s->state->search()->filteredTracksModel())},
            {"rowHeight", s->rowHeight},
            {"x", area.x()},
            {"y", area.y()},
            {"width", area.width()},
            {"height", area.height()}};
        std::unique_ptr<QObject> root(component.createWithInitialProperties(properties));
        auto* list = qobject_cast<QQuickItem*>(root.get());
        if (!list) {
            state.SkipWithError(qPrintable(component.errorString()));
        } else {
            list->setParentItem(window.contentItem());
            window.show();
            if (!QTest::qWaitForWindowExposed(&window)) {
                state.SkipWithError("the floor's window was never exposed");
            } else {
                FrameClock clock(window);
                scrollThrough(state, floorScroll(round), window, *list, clock, s->rowHeight, round);
            }
        }
        window.hide();
    }
    s->screen->window()->show();
    s->screen->waitExposed();
    s->clock->settle();
}

struct ShownCovers {
    int rows = 0;
    int ready = 0;
};

// The rows in the list's viewport and how many show their cover: a cover the cache could not
// serve from its folder would have been fetched, and fails (its host does not exist).
ShownCovers shownCovers(QQuickItem& list) {
    ShownCovers covers;
    auto* content = list.property("contentItem").value<QQuickItem*>();
    const qreal top = list.property("contentY").toReal();
    const qreal bottom = top + list.height();
    for (QQuickItem* slot : content->childItems()) {
        QQuickItem* row = test::ViewHarness::find(slot, QStringLiteral("trackRow"));
        if (!row || !slot->isVisible() || slot->y() + slot->height() <= top || slot->y() >= bottom)
            continue;
        ++covers.rows;
        QQuickItem* cover = test::ViewHarness::find(row, QStringLiteral("coverImage"));
        // Image.Ready
        if (cover && cover->property("status").toInt() == 1)
            ++covers.ready;
    }
    return covers;
}

void scrollScreen(benchmark::State& state, int round) {
    Scene* s = scene(state);
    if (!s)
        return;
    QQuickItem* list = s->screen->item(QStringLiteral("trackListView"));
    scrollThrough(state, screenScroll(round), *s->screen->window(), *list, *s->clock, s->rowHeight,
                  round);
    const auto floor = results().find(floorScroll(round));
    const auto screen = results().find(screenScroll(round));
    if (floor != results().end() && screen != results().end() && floor->second.median > 0) {
        state.counters["median_x_floor"] = screen->second.median / floor->second.median;
        state.counters["p95_x_floor"] = screen->second.p95 / floor->second.p95;
    }
    // Nothing was fetched: the rows' peaks and covers all came from the caches.
    s->clock->settle();
    const ShownCovers covers = shownCovers(*list);
    state.counters["covers_shown"] = covers.rows;
    state.counters["covers_ready"] = covers.ready;
    const WaveformService& waveforms = s->services.waveforms();
    state.counters["peak_fetches"] =
        double(waveforms.backgroundQueue().size() + waveforms.processingIds().size() +
               waveforms.loadedTrackIDs().size());
    list->setProperty("contentY", list->property("originY"));
    s->clock->settle();
}

// What the state hands the search for a keystroke: the text, no filters, the vocabulary's tags.
CatalogSearchIndex::Query queryFor(const QString& text) {
    CatalogSearchIndex::Query query;
    query.searchText = text;
    query.tags = SemanticSearch::tags(text);
    return query;
}

std::string keystrokeName(const Case& c) {
    return std::string("keystroke/") + c.name;
}
std::string indexName(const Case& c) {
    return std::string("filter/index/") + c.name;
}
std::string searchStateName(const Case& c) {
    return std::string("filter/catalog_search/") + c.name;
}

void recordSamples(benchmark::State& state, const std::string& name,
                   const std::vector<double>& samples) {
    const Stats stats = statsOf(samples, false);
    results()[name] = stats;
    state.counters["median_ms"] = stats.median;
    state.counters["p95_ms"] = stats.p95;
    state.counters["max_ms"] = stats.max;
}

void filterByIndex(benchmark::State& state, const Case& c) {
    Scene* s = scene(state);
    if (!s)
        return;
    const CatalogSearchIndex& index = *s->prepared.searchIndex;
    const QString typed = QString::fromUtf8(c.typed);
    std::vector<double> samples;
    for (auto _ : state) {
        const qint64 start = nowNs();
        const CatalogSearchIndex::Result result = index.search(queryFor(typed));
        benchmark::DoNotOptimize(result.filtered.size());
        const double milliseconds = double(nowNs() - start) / 1e6;
        state.SetIterationTime(milliseconds / 1e3);
        samples.push_back(milliseconds);
    }
    recordSamples(state, indexName(c), samples);
}

// The search state of a catalogue of its own, with no view on its models.
void filterBySearchState(benchmark::State& state, const Case& c) {
    Scene* s = scene(state);
    if (!s)
        return;
    Catalog catalog;
    catalog.replace(s->prepared.catalog, s->prepared.searchIndex);
    CatalogSearch search(catalog);
    const QString typed = QString::fromUtf8(c.typed);
    const QString before = typed.chopped(1);
    std::vector<double> samples;
    for (auto _ : state) {
        search.setSearchText(before);
        QCoreApplication::sendPostedEvents(&search, QEvent::MetaCall);
        const qint64 start = nowNs();
        search.setSearchText(typed);
        // The models follow on the next turn of the event loop: that turn, and nothing else.
        QCoreApplication::sendPostedEvents(&search, QEvent::MetaCall);
        const double milliseconds = double(nowNs() - start) / 1e6;
        state.SetIterationTime(milliseconds / 1e3);
        samples.push_back(milliseconds);
    }
    recordSamples(state, searchStateName(c), samples);
}

void typeKey(QQuickWindow& window, QChar character) {
    const int key =
        character == QLatin1Char(' ') ? int(Qt::Key_Space) : int(character.toUpper().unicode());
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(&window, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(character));
    QCoreApplication::sendEvent(&window, &release);
}

void keystroke(benchmark::State& state, const Case& c) {
    Scene* s = scene(state);
    if (!s)
        return;
    QQuickWindow& window = *s->screen->window();
    QQuickItem* field = s->screen->item(QStringLiteral("searchField"));
    QQuickItem* list = s->screen->item(QStringLiteral("trackListView"));
    CatalogSearch& search = *s->state->search();
    const QString typed = QString::fromUtf8(c.typed);
    const QString before = typed.chopped(1);
    std::vector<double> samples;
    for (auto _ : state) {
        // The view holds rows of another list first, as it would after the shorter texts the
        // user typed: where `before` matches nothing the view keeps those, and the new list must
        // not find the very rows it shows already, left by the previous iteration.
        search.setSearchText(QString());
        s->clock->settle();
        search.setSearchText(before);
        list->setProperty("contentY", list->property("originY"));
        s->clock->settle();
        field->forceActiveFocus();
        field->setProperty("cursorPosition", before.size());
        if (!field->hasActiveFocus()) {
            state.SkipWithError("the search field has no focus");
            break;
        }
        ListChange change{search.filteredTracksModel(), search.suggestedTracksModel()};
        const qint64 start = nowNs();
        typeKey(window, typed.back());
        const auto changed = change.wait();
        if (search.searchText() != typed || !changed) {
            state.SkipWithError("the key did not change the list");
            break;
        }
        const auto swapped = s->clock->waitForFrameAfter(*changed);
        if (!swapped) {
            state.SkipWithError("no frame showed the new list");
            break;
        }
        const double milliseconds = double(*swapped - start) / 1e6;
        state.SetIterationTime(milliseconds / 1e3);
        samples.push_back(milliseconds);
    }
    search.setSearchText(QString());
    s->clock->settle();
    recordSamples(state, keystrokeName(c), samples);
    const auto filter = results().find(indexName(c));
    if (filter != results().end())
        state.counters["above_index_ms"] =
            results()[keystrokeName(c)].median - filter->second.median;
    const auto searchState = results().find(searchStateName(c));
    if (searchState != results().end())
        state.counters["above_search_ms"] =
            results()[keystrokeName(c)].median - searchState->second.median;
}

// What the memory child measured, in bytes.
struct Memory {
    double start = 0;
    double records = 0;
    double recordsHeap = 0;
    double index = 0;
    double shown = 0;
};
std::optional<Memory> memoryFigures;

// The child: the app's state and services, then the catalogue decoded on a worker thread as a
// load does, its search index, and the screen shown over it. Prints "<name>=<bytes>" pairs.
int runMemoryChild() {
    QTemporaryDir dir;
    AppServices services(dir.filePath(QStringLiteral("caches")));
    test::TestState state;
    prepareState(*state);
    spin(100);
    const qint64 rssStart = test::ResidentMemory::currentBytes();
    const qint64 heapStart = heapInUse();
    SyncCatalog catalog =
        SyncCatalog::fromJsonInBackground(test::generatedCatalogJson(catalogSize)).result().value();
    const qint64 rssRecords = test::ResidentMemory::currentBytes();
    const qint64 heapRecords = heapInUse();
    const auto index = QtConcurrent::run([&catalog] {
                           return std::make_shared<const CatalogSearchIndex>(catalog.tracks);
                       }).result();
    const qint64 rssIndex = test::ResidentMemory::currentBytes();
    if (seedCaches(services, catalog.tracks, dir.path()) != 0)
        return 1;
    state->catalog()->replace(catalog, index);
    std::unique_ptr<test::ViewHarness> screen;
    if (const QString problem = showScreen(screen); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    std::printf("start=%lld records=%lld records_heap=%lld index=%lld shown=%lld\n",
                qint64(rssStart), qint64(rssRecords - rssStart), qint64(heapRecords - heapStart),
                qint64(rssIndex - rssRecords), qint64(test::ResidentMemory::currentBytes()));
    return 0;
}

void memory(benchmark::State& state) {
    for (auto _ : state) {
        // Placing 200,000 cache files takes a minute or two on a busy disk.
        const auto output = bench::runChild(QCoreApplication::applicationFilePath(),
                                            {QString::fromLatin1(memoryChildFlag)},
                                            QProcessEnvironment::systemEnvironment(), 600'000);
        if (!output) {
            state.SkipWithError("the measuring process failed");
            return;
        }
        std::map<QString, double> values;
        for (const QByteArray& pair : output->trimmed().split(' ')) {
            const QList<QByteArray> parts = pair.split('=');
            if (parts.size() == 2)
                values[QString::fromLatin1(parts[0])] = parts[1].toDouble();
        }
        memoryFigures = Memory{values["start"], values["records"], values["records_heap"],
                               values["index"], values["shown"]};
    }
    if (!memoryFigures)
        return;
    state.counters["rss_shown_MB"] = megabytes(qint64(memoryFigures->shown));
    state.counters["records_MB"] = megabytes(qint64(memoryFigures->records));
    state.counters["records_heap_B_per_track"] = memoryFigures->recordsHeap / catalogSize;
    state.counters["index_MB"] = megabytes(qint64(memoryFigures->index));
    state.counters["rss_start_MB"] = megabytes(qint64(memoryFigures->start));
}

void registerAll() {
    const auto frames = [](const std::string& name, void (*run)(benchmark::State&, int),
                           int round) {
        benchmark::RegisterBenchmark(name.c_str(),
                                     [run, round](benchmark::State& s) { run(s, round); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(scrollFrames);
    };
    for (int round = 1; round <= scrollRounds; ++round) {
        frames(floorScroll(round), scrollFloor, round);
        frames(screenScroll(round), scrollScreen, round);
    }
    for (const Case& c : cases) {
        benchmark::RegisterBenchmark(indexName(c).c_str(),
                                     [c](benchmark::State& s) { filterByIndex(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(filterRuns);
        benchmark::RegisterBenchmark(searchStateName(c).c_str(),
                                     [c](benchmark::State& s) { filterBySearchState(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(filterRuns);
        benchmark::RegisterBenchmark(keystrokeName(c).c_str(),
                                     [c](benchmark::State& s) { keystroke(s, c); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(keystrokes);
    }
    benchmark::RegisterBenchmark("memory/catalog_view_100000", memory)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

// Each round's screen beside the floor measured just before it; the verdicts take the median
// of the rounds' ratios, the longest frame of all rounds.
void printScrollSummary() {
    std::vector<double> medianRatios;
    std::vector<double> p95Ratios;
    Stats longest;
    int overBudget = 0;
    int unpainted = 0;
    size_t frames = 0;
    for (int round = 1; round <= scrollRounds; ++round) {
        const auto floor = results().find(floorScroll(round));
        const auto screen = results().find(screenScroll(round));
        if (floor == results().end() || screen == results().end())
            continue;
        if (medianRatios.empty()) {
            std::printf("  scrolling %d rows, %.2f row a frame, %d frames a round; ms per "
                        "frame:\n",
                        scrolledRows, stepRows, scrollFrames);
            std::printf("    %-6s %-8s %8s %8s %8s   %-8s %8s %8s %8s %8s   %7s %7s\n", "round",
                        "floor", "median", "p95", "max", "screen", "median", "p95", "max", "first",
                        "x med", "x p95");
        }
        const Stats& f = floor->second;
        const Stats& v = screen->second;
        medianRatios.push_back(v.median / f.median);
        p95Ratios.push_back(v.p95 / f.p95);
        std::printf(
            "    %-6d %-8s %8.2f %8.2f %8.2f   %-8s %8.2f %8.2f %8.2f %8.2f   %7.2f %7.2f\n", round,
            "", f.median, f.p95, f.max, "", v.median, v.p95, v.max, v.first, medianRatios.back(),
            p95Ratios.back());
        if (v.max >= longest.max)
            longest = v;
        overBudget += v.overBudget;
        unpainted += v.framesWithUnpaintedRows;
        frames += v.count + 1;
    }
    if (medianRatios.empty())
        return;
    std::sort(medianRatios.begin(), medianRatios.end());
    std::sort(p95Ratios.begin(), p95Ratios.end());
    const double medianRatio = bench::median(medianRatios);
    const double p95Ratio = bench::median(p95Ratios);
    std::printf("    median %.2fx the floor's, median of %zu rounds (target <= %.0fx): %s\n",
                medianRatio, medianRatios.size(), maxMedianTimesFloor,
                verdict(medianRatio <= maxMedianTimesFloor));
    std::printf("    p95 %.2fx the floor's, median of %zu rounds (target <= %.0fx): %s\n", p95Ratio,
                p95Ratios.size(), maxP95TimesFloor, verdict(p95Ratio <= maxP95TimesFloor));
    std::printf("    longest frame after the first %.1f ms, frame %zu of its round; %d frames over "
                "%.0f ms (target: none): %s\n",
                longest.max, longest.longestAt, overBudget, maxFrameMilliseconds,
                verdict(overBudget == 0));
    std::printf("    %d frames showed a row before its picture was painted (of %zu)\n", unpainted,
                frames);
}

void printSummary(const bench::MedianReporter&) {
    std::printf("\nThe catalogue screen at %d tracks, window %dx%d (informative, never fails "
                "the run):\n",
                catalogSize, windowSize.width(), windowSize.height());
    printScrollSummary();
    std::printf("  one keystroke to the first frame of the new list; medians in ms:\n");
    std::printf("    %-22s %8s %8s %8s %8s %8s   %s\n", "case", "screen", "p95", "index", "search",
                "above", "verdict");
    for (const Case& c : cases) {
        const auto typed = results().find(keystrokeName(c));
        const auto index = results().find(indexName(c));
        const auto search = results().find(searchStateName(c));
        if (typed == results().end() || index == results().end() || search == results().end()) {
            std::printf("    %-22s (filtered out or failed)\n", c.name);
            continue;
        }
        const double above = typed->second.median - index->second.median;
        const bool met =
            typed->second.median <= maxKeystrokeMilliseconds && above <= maxKeystrokeAboveFilter;
        std::printf("    %-22s %8.2f %8.2f %8.2f %8.2f %8.2f   %s\n", c.name, typed->second.median,
                    typed->second.p95, index->second.median, search->second.median, above,
                    verdict(met));
    }
    std::printf("    targets: screen <= %.0f ms, at most %.0f ms above the index alone\n",
                maxKeystrokeMilliseconds, maxKeystrokeAboveFilter);
    if (memoryFigures) {
        std::printf(
            "  memory: %.0f MB resident with the screen shown (%.0f MB before the "
            "catalogue);\n    the decoded records %.0f MB resident, %.0f bytes a track "
            "of heap; the search index %.0f MB\n",
            megabytes(qint64(memoryFigures->shown)), megabytes(qint64(memoryFigures->start)),
            megabytes(qint64(memoryFigures->records)), memoryFigures->recordsHeap / catalogSize,
            megabytes(qint64(memoryFigures->index)));
    }
}

} // namespace

int main(int argc, char** argv) {
    HeapTuning::apply();
    const bool memoryChild = argc > 1 && qstrcmp(argv[1], memoryChildFlag) == 0;
    // HOME, the XDG folders and TMPDIR of the run's own, so no real settings or caches are read.
    test::TestHome home(memoryChild ? "bench_catalog_view_memory" : "bench_catalog_view");
    // A stray request fails at once on this machine instead of leaving it.
    qputenv("ARU_SYNC_BASE_URL", "http://127.0.0.1:9");
    // A window asking for a frame otherwise waits 5 ms for it: the frames would time the pause.
    if (qEnvironmentVariableIsEmpty("QT_QPA_UPDATE_IDLE_TIME"))
        qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    QGuiApplication app(argc, argv);
    SceneGraphChoice::apply();
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    FontRegistry::registerBundledFonts();
    if (memoryChild)
        return runMemoryChild();
    const int status = bench::runWithSummary(argc, argv, registerAll, printSummary);
    theScene.reset();
    return status;
}
