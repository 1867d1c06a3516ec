// Decoding the catalogue document into Track records, at 10,000 and 100,000 tracks, as the app
// meets it: the first decode in a fresh process, on a fresh thread, from a buffer like the one a
// network reply hands over (the decoder's padding as spare capacity). Beside it, measured the
// same way on the same bytes:
//  - the bare simdjson DOM parse, the floor any decoder built on simdjson pays;
//  - the decode through Qt's JSON parser, the straightforward way.
// Every iteration runs in a child process of its own (this executable, started again with
// --cold), so no run finds a heap or a thread that an earlier one warmed. Each reports its wall
// time, the CPU time of its thread (page faults included) and the heap the result keeps per
// track. After the runs a summary compares the medians at 100,000 tracks with the targets; it
// never fails the run.

#include "CatalogDocumentReader.h"
#include "CatalogFixture.h"
#include "ChildProcess.h"
#include "HeapTuning.h"
#include "QtCatalogReference.h"
#include "SyncCatalog.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <malloc.h>
#include <map>
#include <simdjson.h>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int smallCatalog = 10'000;
constexpr int largeCatalog = 100'000;

// Targets at 100,000 tracks.
constexpr double maxTimesBareParse = 3.0;
constexpr double minTimesFasterThanQt = 3.0;
constexpr double maxBytesPerTrack = 4096.0;

const char* const parseName = "simdjson_parse_only";
const char* const decodeName = "fromJson";
const char* const qtName = "qt_json_decode";

// Heap in use, counting the large blocks malloc serves with mmap (the track array, the parser's
// buffers), which uordblks alone leaves out. mallinfo2 sums every arena.
qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// What one cold run measured.
struct ColdRun {
    double milliseconds = 0;
    double cpuMilliseconds = 0;
    double retainedBytes = 0;
};

// The child: reads the document into a reply-like buffer, then decodes it once on a new thread.
// Prints "<wall ms> <thread cpu ms> <retained bytes>"; the result is never freed.
int runCold(const std::string& way, const QString& path, int trackCount) {
    const qint64 heapBefore = heapInUse();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    QByteArray body;
    body.reserve(file.size() + qsizetype(aru::CatalogDocumentReader::padding));
    body.resize(file.size());
    if (file.read(body.data(), body.size()) != body.size())
        return 1;

    ColdRun run;
    bool complete = false;
    std::thread worker([&] {
        const auto started = std::chrono::steady_clock::now();
        const double cpuStarted = threadCpuMilliseconds();
        if (way == parseName) {
            // Kept alive on purpose: the DOM is what a parse leaves for a decoder to read.
            auto* parser = new simdjson::dom::parser;
            simdjson::dom::element root;
            complete = !parser->parse(body.constData(), size_t(body.size()), false).get(root);
        } else if (way == decodeName) {
            auto* result = new aru::Decoded<aru::SyncCatalog>(
                aru::SyncCatalog::fromJson(std::exchange(body, QByteArray())));
            complete = result->ok() && (*result)->tracks.size() == trackCount;
        } else {
            auto* result =
                new aru::Decoded<aru::SyncCatalog>(aru::test::decodeCatalogWithQtJson(body));
            complete = result->ok() && (*result)->tracks.size() == trackCount;
        }
        run.cpuMilliseconds = threadCpuMilliseconds() - cpuStarted;
        run.milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
    });
    worker.join();
    body = QByteArray();
    run.retainedBytes = double(heapInUse() - heapBefore);
    if (!complete)
        return 1;
    std::printf("%.3f %.3f %.0f\n", run.milliseconds, run.cpuMilliseconds, run.retainedBytes);
    std::fflush(stdout);
    std::quick_exit(0);
}

struct Documents {
    QTemporaryDir folder;
    QString pathFor(int trackCount) {
        const QString path = folder.filePath(QStringLiteral("catalog-%1.json").arg(trackCount));
        if (!QFile::exists(path)) {
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(aru::test::generatedCatalogJson(trackCount, 1));
        }
        return path;
    }
};

std::string runName(const char* way, int trackCount) {
    return std::string("catalog/") + way + "/" + std::to_string(trackCount);
}

std::map<std::string, ColdRun>& medians() {
    static std::map<std::string, ColdRun> figures;
    return figures;
}

void coldDecode(benchmark::State& state, Documents& documents, const char* way, int trackCount) {
    const QString path = documents.pathFor(trackCount);
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> retained;
    for (auto _ : state) {
        const auto output =
            aru::bench::runChild(self, {QStringLiteral("--cold"), QString::fromLatin1(way), path,
                                        QString::number(trackCount)});
        ColdRun run;
        if (!output || std::sscanf(output->constData(), "%lf %lf %lf", &run.milliseconds,
                                   &run.cpuMilliseconds, &run.retainedBytes) != 3) {
            state.SkipWithError("the cold run failed");
            return;
        }
        state.SetIterationTime(run.milliseconds / 1e3);
        wall.push_back(run.milliseconds);
        cpu.push_back(run.cpuMilliseconds);
        retained.push_back(run.retainedBytes);
    }
    const ColdRun middle{aru::bench::median(wall), aru::bench::median(cpu),
                         aru::bench::median(retained)};
    medians()[runName(way, trackCount)] = middle;
    state.counters["median_ms"] = middle.milliseconds;
    state.counters["median_cpu_ms"] = middle.cpuMilliseconds;
    state.counters["bytes_per_track"] = middle.retainedBytes / trackCount;
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}

void registerAll(Documents& documents) {
    // Every iteration starts a process; the Qt decode of 100,000 tracks alone takes a second or
    // two, so it runs fewer times.
    struct Size {
        int tracks;
        int parseIterations;
        int decodeIterations;
        int qtIterations;
    };
    for (const Size size : {Size{smallCatalog, 9, 9, 5}, Size{largeCatalog, 7, 7, 3}}) {
        const int n = size.tracks;
        const std::pair<const char*, int> ways[] = {{parseName, size.parseIterations},
                                                    {decodeName, size.decodeIterations},
                                                    {qtName, size.qtIterations}};
        for (const auto& [way, iterations] : ways) {
            benchmark::RegisterBenchmark(runName(way, n).c_str(),
                                         [&documents, way = way, n](benchmark::State& s) {
                                             coldDecode(s, documents, way, n);
                                         })
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(iterations);
        }
    }
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

void printSummary() {
    std::printf("\n%-36s %10s %10s %12s\n", "way (medians of cold runs)", "wall ms", "cpu ms",
                "bytes/track");
    for (const auto& [name, run] : medians()) {
        const int tracks = std::stoi(name.substr(name.rfind('/') + 1));
        std::printf("%-36s %10.1f %10.1f %12.0f\n", name.c_str(), run.milliseconds,
                    run.cpuMilliseconds, run.retainedBytes / tracks);
    }
    const auto find = [](const char* way) -> const ColdRun* {
        const auto it = medians().find(runName(way, largeCatalog));
        return it == medians().end() ? nullptr : &it->second;
    };
    const ColdRun* parse = find(parseName);
    const ColdRun* decode = find(decodeName);
    const ColdRun* qt = find(qtName);
    // CPU time: on a shared machine the wall clock also counts the time other processes held
    // the cores, while page faults, the bulk of a cold decode's system time, are still charged
    // to the thread. Wall-clock ratios are printed beside.
    std::printf("\nTargets at %d tracks, cold, thread CPU time (wall time in brackets;\n"
                "informative, never fails the run):\n",
                largeCatalog);
    if (parse && decode) {
        const double ratio = decode->cpuMilliseconds / parse->cpuMilliseconds;
        std::printf("  fromJson / bare parse   %6.2fx (%5.2fx)  target <= %.0fx    %s\n", ratio,
                    decode->milliseconds / parse->milliseconds, maxTimesBareParse,
                    verdict(ratio <= maxTimesBareParse));
    }
    if (decode && qt) {
        const double ratio = qt->cpuMilliseconds / decode->cpuMilliseconds;
        std::printf("  Qt decode / fromJson    %6.2fx (%5.2fx)  target >= %.0fx    %s\n", ratio,
                    qt->milliseconds / decode->milliseconds, minTimesFasterThanQt,
                    verdict(ratio >= minTimesFasterThanQt));
    }
    if (decode) {
        const double perTrack = decode->retainedBytes / largeCatalog;
        std::printf("  retained per track      %6.0f B            target <= %.0f B %s\n", perTrack,
                    maxBytesPerTrack, verdict(perTrack <= maxBytesPerTrack));
    }
    if (!parse || !decode || !qt)
        std::printf("  (some %d-track runs were filtered out or failed)\n", largeCatalog);
}

} // namespace

int main(int argc, char** argv) {
    // The app's own allocator settings, for the children as for the app.
    aru::HeapTuning::apply();
    if (argc == 5 && std::string(argv[1]) == "--cold")
        return runCold(argv[2], QString::fromLocal8Bit(argv[3]), std::atoi(argv[4]));
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Documents documents;
    registerAll(documents);
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
