// A catalogue load as the app meets it: every run is a fresh process of its own (this executable
// started again), over a home of its own with a restored session, against the substitute
// catalogue server on loopback (a separate process, so its copy of the document is not counted).
//
//  - memory/<way>/<tracks>: a headless app (the state and the services, no window) loads the
//    server's 10,000- or 100,000-track catalogue: resident memory before, at its peak and after
//    the load (the kept copy written, the replaced buffers freed), next to the rule the load
//    keeps: peak <= after + 2 x the document's size. "network": nothing kept; "kept": a kept copy
//    is shown first and the server answers that it has not changed.
//  - window/<way>/100000: the real window main() opens (the catalogue screen with its track
//    rows) over a restored session: the time from process start to the first
//    frame that shows rows, to the first frame after all 100,000 are listed, and the longest the
//    main thread was held from the first frame until the load was over. "kept": a kept copy shown,
//    then the server's 304; "network": nothing kept; "kept_replaced": a kept copy shown, then
//    replaced by the server's catalogue (the same 100,000 tracks under another tag: every row is
//    matched again).
//
// Times are the medians of several runs; on a shared machine other processes' work shows in
// them. A summary compares the figures with the targets; it never fails the run.

#include "AppServices.h"
#include "AppState.h"
#include "CatalogServerProcess.h"
#include "ChildProcess.h"
#include "FontRegistry.h"
#include "HeapTuning.h"
#include "ImageCache.h"
#include "KeptCatalog.h"
#include "Log.h"
#include "QtMediaBackend.h"
#include "ResidentMemory.h"
#include "SettingsStore.h"

#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace aru;

constexpr int smallCatalog = 10'000;
constexpr int largeCatalog = 100'000;

// Targets.
constexpr double maxStallMilliseconds = 50;
constexpr double maxKeptStartMilliseconds = 1000;
constexpr double minTimesSoonerWithKeptCopy = 3;

const QString email = QStringLiteral("demo@aru.test");
const char* const spawnedEnv = "ARU_BENCH_SPAWNED_NS";

qint64 monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double megabytes(qint64 bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

void setNames() {
    QGuiApplication::setApplicationName(QStringLiteral("ARU Sync"));
    QGuiApplication::setOrganizationName(QStringLiteral("ARU Records"));
}

// The longest the main thread went without turning its event loop, seen by a timer that asks
// to fire every few milliseconds: as wall time, and as the main thread's own processor time over
// the same gap. On a busy machine a gap can be mostly time the thread waited for a processor;
// only the second says how long the app's own work held the window.
class StallWatch {
public:
    StallWatch() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(tick);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 busy = threadMilliseconds();
            m_longest = std::max(m_longest, m_sinceTick.restart() - tick);
            m_longestBusy = std::max(m_longestBusy, busy - m_busyAtTick);
            m_busyAtTick = busy;
        });
    }
    void start() {
        m_sinceTick.start();
        m_busyAtTick = threadMilliseconds();
        m_timer.start();
    }
    qint64 longestMilliseconds() const { return m_longest; }
    qint64 longestBusyMilliseconds() const { return m_longestBusy; }

private:
    static qint64 threadMilliseconds() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
    }

    static constexpr int tick = 4;
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
    qint64 m_longestBusy = 0;
    qint64 m_busyAtTick = 0;
};

// Runs the event loop until `done` holds or `timeoutMs` passed.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 60'000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool loadEnded(const Log::Capture& log) {
    for (const QString& line : log.lines()) {
        if (line.startsWith(QStringLiteral("[Catalog] Loaded")) ||
            line.startsWith(QStringLiteral("[Catalog] failed")))
            return true;
    }
    return false;
}

// Child: the state and the services without a window, loading at start as the app does.
int runMemoryChild(int argc, char** argv, int trackCount) {
    QGuiApplication app(argc, argv);
    setNames();
    AppServices services;
    SettingsStore settings;
    AppState state(settings, QtMediaBackend::factory());
    const KeptCatalog kept = KeptCatalog::forServer(qEnvironmentVariable("ARU_SYNC_BASE_URL"));
    const bool keptBefore = kept.exists();
    Log::Capture log;
    StallWatch stalls;

    const qint64 before = test::ResidentMemory::currentBytes();
    test::ResidentMemory::resetPeak();
    stalls.start();
    state.session()->start();
    const bool loaded = waitUntil([&] {
        return loadEnded(log) && state.search()->filteredTracksModel()->count() == trackCount &&
               kept.exists();
    });
    const qint64 stall = stalls.longestMilliseconds();
    const qint64 busy = stalls.longestBusyMilliseconds();
    // Whatever the load handed to worker threads (keeping the copy, freeing buffers) ends too.
    QThreadPool::globalInstance()->waitForDone();
    QTimer::singleShot(200, &app, &QCoreApplication::quit);
    app.exec();
    if (!loaded || (keptBefore && !log.lines().constFirst().contains(QStringLiteral("Showing"))))
        return 1;
    std::printf("before %lld peak %lld after %lld stall %lld busy %lld\n", before,
                test::ResidentMemory::peakBytes(), test::ResidentMemory::currentBytes(), stall,
                busy);
    std::fflush(stdout);
    std::quick_exit(0);
}

// Child: the app's own start (main()), until the load is over.
int runWindowChild(int argc, char** argv, int trackCount) {
    const qint64 spawned = qEnvironmentVariableIsEmpty(spawnedEnv)
                               ? monotonicNanoseconds()
                               : qEnvironmentVariable(spawnedEnv).toLongLong();
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QGuiApplication app(argc, argv);
    setNames();
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    FontRegistry::registerBundledFonts();
    AppServices services;
    SettingsStore settings;
    AppState state(settings, QtMediaBackend::factory());
    Log::Capture log;
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    ImageCache::installInto(engine);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Aru/AppWindow.qml")));
    auto* window = engine.rootObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    if (!window)
        return 1;

    StallWatch stalls;
    double rowsShownMs = -1;
    double allRowsMs = -1;
    bool firstFrame = true;
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        if (firstFrame) {
            firstFrame = false;
            stalls.start();
        }
        const double now = double(monotonicNanoseconds() - spawned) / 1e6;
        if (allRowsMs < 0 && state.search()->filteredTracksModel()->count() == trackCount)
            allRowsMs = now;
        if (rowsShownMs >= 0)
            return;
        auto* list = window->findChild<QQuickItem*>(QStringLiteral("trackListView"));
        QQuickItem* firstRow = nullptr;
        if (list)
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem*, firstRow),
                                      Q_ARG(int, 0));
        if (firstRow && firstRow->isVisible())
            rowsShownMs = now;
    });
    const bool loaded =
        waitUntil([&] { return rowsShownMs >= 0 && allRowsMs >= 0 && loadEnded(log); });
    // A little longer, so the last steps (freeing what the load replaced) are watched too.
    QTimer::singleShot(500, &app, &QCoreApplication::quit);
    app.exec();
    if (!loaded)
        return 1;
    std::printf("rows %.1f all %.1f stall %lld busy %lld\n", rowsShownMs, allRowsMs,
                stalls.longestMilliseconds(), stalls.longestBusyMilliseconds());
    std::fflush(stdout);
    std::quick_exit(0);
}

// A home with a restored session for the server at `baseUrl`.
class Home {
public:
    Home(const QUrl& baseUrl, const QString& token)
        : m_baseUrl(baseUrl) {
        const QString settingsFile =
            m_dir.filePath(QStringLiteral(".config/ARU Records/ARU Sync.ini"));
        QDir().mkpath(QFileInfo(settingsFile).path());
        SettingsStore settings(settingsFile);
        settings.setString(QStringLiteral("aru.user.email"), email);
        settings.setString(QStringLiteral("aru.user.token"), token);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.filePath(QStringLiteral(".cache")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral(".local/share")));
        env.insert(QStringLiteral("ARU_SYNC_BASE_URL"), m_baseUrl.toString());
        if (env.value(QStringLiteral("DISPLAY")).isEmpty() &&
            env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QString::fromLatin1(spawnedEnv), QString::number(monotonicNanoseconds()));
        return env;
    }

    QString keptCopyPath() const {
        const QDir folder(m_dir.filePath(QStringLiteral(".cache/ARUSync/Catalog")));
        const QStringList files = folder.entryList({QStringLiteral("*.zst")}, QDir::Files);
        return files.isEmpty() ? QString() : folder.filePath(files.constFirst());
    }
    void removeKeptCopy() const {
        QDir(m_dir.filePath(QStringLiteral(".cache"))).removeRecursively();
    }

private:
    QTemporaryDir m_dir;
    QUrl m_baseUrl;
};

struct Server {
    std::unique_ptr<test::CatalogServerProcess> process;
    qint64 documentBytes = 0;
    // A session the server accepts: one it refused would end at the favourites, mid-run.
    QString token;
};

Server& serverFor(int trackCount) {
    static std::map<int, Server> servers;
    Server& server = servers[trackCount];
    if (!server.process) {
        server.process = std::make_unique<test::CatalogServerProcess>(
            QStringList{QStringLiteral("--tracks"), QString::number(trackCount)});
        QNetworkAccessManager manager;
        std::unique_ptr<QNetworkReply> reply(manager.head(QNetworkRequest(
            server.process->baseUrl().resolved(QUrl(QStringLiteral("/api/sync/catalog"))))));
        waitUntil([&] { return reply->isFinished(); });
        server.documentBytes = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        QNetworkRequest signIn(
            server.process->baseUrl().resolved(QUrl(QStringLiteral("/api/sync/auth"))));
        signIn.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        reply.reset(manager.post(signIn, R"({"email":"demo@aru.test","password":"aru-demo"})"));
        waitUntil([&] { return reply->isFinished(); });
        server.token =
            QJsonDocument::fromJson(reply->readAll()).object().value(u"token").toString();
    }
    return server;
}

std::optional<std::map<std::string, double>> runChild(const char* mode, int trackCount,
                                                      const Home& home) {
    const auto output = bench::runChild(QCoreApplication::applicationFilePath(),
                                        {QString::fromLatin1(mode), QString::number(trackCount)},
                                        home.environment());
    if (!output)
        return std::nullopt;
    std::map<std::string, double> figures;
    const QList<QByteArray> words = output->simplified().split(' ');
    for (qsizetype i = 0; i + 1 < words.size(); i += 2)
        figures[words[i].toStdString()] = words[i + 1].toDouble();
    return figures;
}

// Medians of every figure over the runs, by benchmark name.
std::map<std::string, std::map<std::string, double>>& results() {
    static std::map<std::string, std::map<std::string, double>> figures;
    return figures;
}

void recordMedians(benchmark::State& state, const std::string& name,
                   const std::map<std::string, std::vector<double>>& runs) {
    for (const auto& [key, values] : runs) {
        const double value = bench::median(values);
        results()[name][key] = value;
        state.counters[key] = value;
    }
}

void memory(benchmark::State& state, const std::string& name, bool keptFirst, int trackCount) {
    Server& server = serverFor(trackCount);
    if (!server.process->isRunning())
        return state.SkipWithError("the catalogue server did not start");
    Home home(server.process->baseUrl(), server.token);
    if (keptFirst && !runChild("--memory", trackCount, home))
        return state.SkipWithError("keeping a copy failed");
    std::map<std::string, std::vector<double>> runs;
    for (auto _ : state) {
        if (!keptFirst)
            home.removeKeptCopy();
        const auto figures = runChild("--memory", trackCount, home);
        if (!figures)
            return state.SkipWithError("the load failed");
        const double body = megabytes(server.documentBytes);
        const double after = megabytes(qint64(figures->at("after")));
        runs["body_mb"].push_back(body);
        runs["before_mb"].push_back(megabytes(qint64(figures->at("before"))));
        runs["peak_mb"].push_back(megabytes(qint64(figures->at("peak"))));
        runs["after_mb"].push_back(after);
        runs["bound_mb"].push_back(after + 2 * body);
        runs["stall_ms"].push_back(figures->at("stall"));
        runs["busy_ms"].push_back(figures->at("busy"));
        state.SetIterationTime(1);
    }
    recordMedians(state, name, runs);
}

enum class Start { Kept, Network, KeptReplaced };

void window(benchmark::State& state, const std::string& name, Start start) {
    Server& server = serverFor(largeCatalog);
    if (!server.process->isRunning())
        return state.SkipWithError("the catalogue server did not start");
    Home home(server.process->baseUrl(), server.token);
    QString staleCopy;
    if (start != Start::Network) {
        if (!runChild("--memory", largeCatalog, home))
            return state.SkipWithError("keeping a copy failed");
        if (start == Start::KeptReplaced) {
            // The same document under a tag the server no longer gives it.
            const KeptCatalog kept(home.keptCopyPath());
            auto copy = kept.read();
            if (!copy ||
                !kept.write(copy->document, {QByteArrayLiteral("\"stale\""), {}}, copy->loadedAt))
                return state.SkipWithError("the kept copy could not be rewritten");
            staleCopy = kept.path() + QStringLiteral(".stale");
            QFile::copy(kept.path(), staleCopy);
        }
    }
    std::map<std::string, std::vector<double>> runs;
    for (auto _ : state) {
        if (start == Start::Network)
            home.removeKeptCopy();
        if (start == Start::KeptReplaced) {
            QFile::remove(home.keptCopyPath());
            QFile::copy(staleCopy, staleCopy.chopped(6));
        }
        const auto figures = runChild("--window", largeCatalog, home);
        if (!figures)
            return state.SkipWithError("the start failed");
        runs["rows_ms"].push_back(figures->at("rows"));
        runs["all_rows_ms"].push_back(figures->at("all"));
        runs["stall_ms"].push_back(figures->at("stall"));
        runs["busy_ms"].push_back(figures->at("busy"));
        state.SetIterationTime(figures->at("rows") / 1e3);
    }
    recordMedians(state, name, runs);
}

void registerAll() {
    const auto memoryRun = [](const std::string& name, bool kept, int tracks) {
        benchmark::RegisterBenchmark(name.c_str(),
                                     [=](benchmark::State& s) { memory(s, name, kept, tracks); })
            ->UseManualTime()
            ->Iterations(3)
            ->Unit(benchmark::kMillisecond);
    };
    memoryRun("memory/network/10000", false, smallCatalog);
    memoryRun("memory/network/100000", false, largeCatalog);
    memoryRun("memory/kept/100000", true, largeCatalog);
    const auto windowRun = [](const std::string& name, Start start) {
        benchmark::RegisterBenchmark(name.c_str(),
                                     [=](benchmark::State& s) { window(s, name, start); })
            ->UseManualTime()
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond);
    };
    windowRun("window/kept/100000", Start::Kept);
    windowRun("window/network/100000", Start::Network);
    windowRun("window/kept_replaced/100000", Start::KeptReplaced);
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

void printSummary() {
    // "stall": the longest gap in the event loop's turns; "busy": the main thread's own work
    // within it (the rest is waiting for a processor other processes held).
    std::printf("\nMemory (medians; MB):\n%-28s %7s %8s %8s %8s %14s %9s %8s\n", "load", "body",
                "before", "peak", "after", "after+2×body", "stall ms", "busy ms");
    double longestBusy = 0;
    for (const auto& [name, f] : results()) {
        if (name.rfind("memory/", 0) != 0)
            continue;
        std::printf("%-28s %7.1f %8.1f %8.1f %8.1f %14.1f %9.0f %8.0f  %s\n", name.c_str(),
                    f.at("body_mb"), f.at("before_mb"), f.at("peak_mb"), f.at("after_mb"),
                    f.at("bound_mb"), f.at("stall_ms"), f.at("busy_ms"),
                    verdict(f.at("peak_mb") <= f.at("bound_mb")));
        longestBusy = std::max(longestBusy, f.at("busy_ms"));
    }
    std::printf("\nStart of the real window over a restored session, %d tracks (medians):\n",
                largeCatalog);
    for (const auto& [name, f] : results()) {
        if (name.rfind("window/", 0) != 0)
            continue;
        std::printf("  %-28s first rows %6.0f ms  all rows %6.0f ms  stall %4.0f ms  busy "
                    "%4.0f ms\n",
                    name.c_str(), f.at("rows_ms"), f.at("all_rows_ms"), f.at("stall_ms"),
                    f.at("busy_ms"));
        longestBusy = std::max(longestBusy, f.at("busy_ms"));
    }
    std::printf("\nTargets (informative, never fail the run):\n");
    const auto kept = results().find("window/kept/100000");
    const auto network = results().find("window/network/100000");
    if (kept != results().end()) {
        const double ms = kept->second.at("rows_ms");
        std::printf("  first rows with a kept copy  %7.0f ms  target <= %.0f ms  %s\n", ms,
                    maxKeptStartMilliseconds, verdict(ms <= maxKeptStartMilliseconds));
    }
    if (kept != results().end() && network != results().end()) {
        const double ratio = network->second.at("rows_ms") / kept->second.at("rows_ms");
        std::printf("  sooner than without           %6.2fx    target >= %.0fx      %s\n", ratio,
                    minTimesSoonerWithKeptCopy, verdict(ratio >= minTimesSoonerWithKeptCopy));
    }
    std::printf("  longest main-thread busy      %6.0f ms  target <= %.0f ms   %s\n", longestBusy,
                maxStallMilliseconds, verdict(longestBusy <= maxStallMilliseconds));
}

} // namespace

int main(int argc, char** argv) {
    aru::HeapTuning::apply();
    if (argc == 3 && std::string(argv[1]) == "--memory")
        return runMemoryChild(argc, argv, std::atoi(argv[2]));
    if (argc == 3 && std::string(argv[1]) == "--window")
        return runWindowChild(argc, argv, std::atoi(argv[2]));
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
