// Decoding the catalogue document into Track records, at 10,000 and 100,000 tracks, beside two
// references measured on the same bytes in the same run:
//  - the bare simdjson DOM parse, the floor any decoder built on it pays;
//  - the decode through Qt's JSON parser, the straightforward way.
// Each run also reports the heap the decoded result keeps per track (bytes_per_track). After the
// runs, a summary compares the 100,000-track figures with the targets; it never fails the run.

#include "CatalogFixture.h"
#include "QtCatalogReference.h"
#include "SyncCatalog.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <map>
#include <memory>
#include <optional>
#include <simdjson.h>
#include <string>

namespace {

constexpr int smallCatalog = 10'000;
constexpr int largeCatalog = 100'000;

// Targets at 100,000 tracks.
constexpr double maxTimesBareParse = 3.0;
constexpr double minTimesFasterThanQt = 3.0;
constexpr double maxBytesPerTrack = 4096.0;

const QByteArray& catalogDocument(int trackCount) {
    static std::map<int, QByteArray> documents;
    QByteArray& document = documents[trackCount];
    if (document.isEmpty())
        document = aru::test::generatedCatalogJson(trackCount, 1);
    return document;
}

// Heap in use, counting the large blocks malloc serves with mmap (the track array, the parser's
// tape), which uordblks alone leaves out. mallinfo2 sums every arena.
qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

// An unshared copy without spare capacity, like the body a network reply hands over: the
// decoder may then grow it in place instead of detaching a copy.
QByteArray replyBody(const QByteArray& document) {
    return QByteArray(document.constData(), document.size());
}

// Heap kept by whatever `decode` returns, per track. The document stays owned by the caller, so
// only what the result holds on to is counted.
template <typename Decode>
double retainedBytesPerTrack(const QByteArray& document, int trackCount, Decode decode) {
    const qint64 before = heapInUse();
    const auto kept = decode(document);
    const qint64 after = heapInUse();
    benchmark::DoNotOptimize(&kept);
    return double(after - before) / trackCount;
}

// Freeing a catalogue leaves millions of small blocks in malloc's fast lists, which the next
// large request merges first: without this, the decode would pay for freeing its predecessor.
// A large request merges them now, without handing pages back to the kernel (as malloc_trim
// would), so the decode finds a warm heap, as in a running app.
void settleHeap() {
    void* volatile block = std::malloc(64 * 1024);
    std::free(block);
}

bool isCompleteCatalog(const aru::Decoded<aru::SyncCatalog>& result, int trackCount) {
    return result.ok() && result->tracks.size() == trackCount && result->tagLibrary.has_value();
}

void bareParse(benchmark::State& state, int trackCount) {
    const QByteArray& document = catalogDocument(trackCount);
    const simdjson::padded_string padded(document.constData(), size_t(document.size()));
    for (auto _ : state) {
        // A fresh parser each time, as the decoder has: allocating the tape is part of the work.
        simdjson::dom::parser parser;
        simdjson::dom::element root;
        if (parser.parse(padded).get(root)) {
            state.SkipWithError("simdjson rejected the generated catalogue");
            return;
        }
        benchmark::DoNotOptimize(root);
    }
    state.SetBytesProcessed(state.iterations() * document.size());
    // The DOM a parser keeps alive, for comparison with the records.
    state.counters["bytes_per_track"] =
        retainedBytesPerTrack(document, trackCount, [&](const QByteArray&) {
            auto parser = std::make_unique<simdjson::dom::parser>();
            simdjson::dom::element root;
            const simdjson::error_code error = parser->parse(padded).get(root);
            benchmark::DoNotOptimize(error);
            return parser;
        });
}

using Decoder = std::function<aru::Decoded<aru::SyncCatalog>(QByteArray)>;

// Times `decode` on a fresh reply body each iteration. Building that body and freeing the
// previous result happen with the clock stopped: neither is part of decoding.
void decodeToTracks(benchmark::State& state, int trackCount, const Decoder& decode) {
    const QByteArray& document = catalogDocument(trackCount);
    std::optional<aru::Decoded<aru::SyncCatalog>> result;
    for (auto _ : state) {
        state.PauseTiming();
        result.reset();
        settleHeap();
        QByteArray body = replyBody(document);
        state.ResumeTiming();
        result.emplace(decode(std::move(body)));
    }
    // The clock stops with the loop.
    const bool complete = result && isCompleteCatalog(*result, trackCount);
    result.reset();
    if (!complete) {
        state.SkipWithError("the generated catalogue did not decode completely");
        return;
    }
    state.SetBytesProcessed(state.iterations() * document.size());
    state.counters["bytes_per_track"] = retainedBytesPerTrack(document, trackCount, decode);
}

aru::Decoded<aru::SyncCatalog> fastDecode(QByteArray bytes) {
    return aru::SyncCatalog::fromJson(std::move(bytes));
}

aru::Decoded<aru::SyncCatalog> qtDecode(QByteArray bytes) {
    return aru::test::decodeCatalogWithQtJson(bytes);
}

const char* const parseName = "simdjson_parse_only";
const char* const decodeName = "fromJson";
const char* const qtName = "qt_json_decode";

std::string runName(const char* way, int trackCount) {
    return std::string("catalog/") + way + "/" + std::to_string(trackCount);
}

void registerAll() {
    // Iterations chosen so the whole run stays well under a minute on two cores; the Qt decode
    // of 100,000 tracks alone takes seconds.
    struct Size {
        int tracks;
        int parseIterations;
        int decodeIterations;
        int qtIterations;
    };
    for (const Size size : {Size{smallCatalog, 30, 15, 5}, Size{largeCatalog, 8, 5, 2}}) {
        const int n = size.tracks;
        benchmark::RegisterBenchmark(runName(parseName, n).c_str(),
                                     [n](benchmark::State& s) { bareParse(s, n); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(size.parseIterations);
        benchmark::RegisterBenchmark(runName(decodeName, n).c_str(),
                                     [n](benchmark::State& s) { decodeToTracks(s, n, fastDecode); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(size.decodeIterations);
        benchmark::RegisterBenchmark(runName(qtName, n).c_str(),
                                     [n](benchmark::State& s) { decodeToTracks(s, n, qtDecode); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(size.qtIterations);
    }
}

// Prints the usual table and keeps each run's time and counters for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    struct Figures {
        double milliseconds = 0;
        double cpuMilliseconds = 0;
        double bytesPerSecond = 0;
        double bytesPerTrack = 0;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            // Without the "/iterations:N" suffix, which depends on the run.
            Figures& figures = m_figures[run.run_name.function_name];
            figures.milliseconds = run.GetAdjustedRealTime();
            figures.cpuMilliseconds = run.GetAdjustedCPUTime();
            figures.bytesPerSecond = counter(run, "bytes_per_second");
            figures.bytesPerTrack = counter(run, "bytes_per_track");
        }
    }

    // Ratios use CPU time: on a shared machine the wall clock also counts the time other
    // processes held the cores, while page faults, the bulk of a fresh decode's system time,
    // are still charged to the process.
    void printSummary() const {
        std::printf("\n%-36s %9s %9s %9s %12s\n", "way", "real ms", "cpu ms", "MB/s",
                    "bytes/track");
        for (const auto& [name, f] : m_figures)
            std::printf("%-36s %9.1f %9.1f %9.1f %12.0f\n", name.c_str(), f.milliseconds,
                        f.cpuMilliseconds, f.bytesPerSecond / 1e6, f.bytesPerTrack);

        const Figures* parse = find(runName(parseName, largeCatalog));
        const Figures* decode = find(runName(decodeName, largeCatalog));
        const Figures* qt = find(runName(qtName, largeCatalog));
        std::printf("\nTargets at %d tracks, CPU time (informative, never fails the run):\n",
                    largeCatalog);
        if (parse && decode) {
            const double ratio = decode->cpuMilliseconds / parse->cpuMilliseconds;
            std::printf("  fromJson / bare parse   %6.2fx   target <= %.0fx    %s\n", ratio,
                        maxTimesBareParse, verdict(ratio <= maxTimesBareParse));
        }
        if (decode && qt) {
            const double ratio = qt->cpuMilliseconds / decode->cpuMilliseconds;
            std::printf("  Qt decode / fromJson    %6.2fx   target >= %.0fx    %s\n", ratio,
                        minTimesFasterThanQt, verdict(ratio >= minTimesFasterThanQt));
        }
        if (decode) {
            std::printf("  retained per track      %6.0f B  target <= %.0f B %s\n",
                        decode->bytesPerTrack, maxBytesPerTrack,
                        verdict(decode->bytesPerTrack <= maxBytesPerTrack));
        }
        if (!parse || !decode || !qt)
            std::printf("  (some %d-track runs were filtered out or failed)\n", largeCatalog);
    }

private:
    static double counter(const Run& run, const char* name) {
        const auto it = run.counters.find(name);
        return it == run.counters.end() ? 0.0 : double(it->second);
    }
    static const char* verdict(bool met) { return met ? "met" : "MISSED"; }

    const Figures* find(const std::string& name) const {
        const auto it = m_figures.find(name);
        return it == m_figures.end() ? nullptr : &it->second;
    }

    std::map<std::string, Figures> m_figures;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerAll();
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    return 0;
}
