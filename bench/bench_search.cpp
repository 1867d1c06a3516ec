// One keystroke in the catalogue search at 100,000 tracks: the filtered list and the suggestions
// for the text typed so far, with the vocabulary's tags for it. Four texts:
//  - "calm": matches many tracks directly;
//  - "pluie": matches nothing directly, the vocabulary turns it into tags;
//  - "night ": a trailing space, so no direct match on "Night", tags from the trimmed text;
//  - " ": a single space, which nearly every track holds somewhere.
// Each runs through the search index and through the reference that lower-cases every field on
// every keystroke. Building the index, once per catalogue, is measured too. A summary compares
// the medians with the targets; it never fails the run.

#include "CatalogFixture.h"
#include "CatalogSearchIndex.h"
#include "CatalogSearchReference.h"
#include "MedianReporter.h"
#include "SemanticSearch.h"
#include "SyncCatalog.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

namespace {

using namespace aru;

constexpr int catalogSize = 100'000;
// Targets for one keystroke, median wall time.
constexpr double maxKeystrokeMilliseconds = 8.0;
constexpr double minTimesFasterThanReference = 5.0;

struct Case {
    const char* name;
    const char* text;
};
constexpr Case cases[] = {
    {"direct_calm", "calm"},
    {"vocabulary_pluie", "pluie"},
    {"trailing_space_night", "night "},
    {"single_space", " "},
};

const QList<Track>& catalogue() {
    static const QList<Track> tracks =
        SyncCatalog::fromJson(test::generatedCatalogJson(catalogSize, 1)).value().tracks;
    return tracks;
}

const CatalogSearchIndex& searchIndex() {
    static const CatalogSearchIndex index(catalogue());
    return index;
}

// What the state hands the search for a keystroke: the text, no filters, and the vocabulary's
// tags (no server tags yet).
CatalogSearchIndex::Query queryFor(const QString& text) {
    CatalogSearchIndex::Query query;
    query.searchText = text;
    query.tags = SemanticSearch::tags(text);
    return query;
}

void keystroke(benchmark::State& state, const char* text) {
    const QString typed = QString::fromUtf8(text);
    const CatalogSearchIndex& index = searchIndex();
    for (auto _ : state) {
        const CatalogSearchIndex::Result result = index.search(queryFor(typed));
        benchmark::DoNotOptimize(result.filtered.size());
        benchmark::DoNotOptimize(result.suggested.size());
    }
    const CatalogSearchIndex::Result result = index.search(queryFor(typed));
    state.counters["filtered"] = double(result.filtered.size());
    state.counters["suggested"] = double(result.suggested.size());
}

void referenceKeystroke(benchmark::State& state, const char* text) {
    const QString typed = QString::fromUtf8(text);
    const QList<Track>& tracks = catalogue();
    for (auto _ : state) {
        const CatalogSearchIndex::Result result =
            CatalogSearchReference::search(tracks, queryFor(typed));
        benchmark::DoNotOptimize(result.filtered.size());
        benchmark::DoNotOptimize(result.suggested.size());
    }
}

void buildIndex(benchmark::State& state) {
    const QList<Track>& tracks = catalogue();
    for (auto _ : state) {
        const CatalogSearchIndex index(tracks);
        benchmark::DoNotOptimize(index.trackCount());
    }
}

std::string fastName(const Case& c) {
    return std::string("keystroke/") + c.name;
}
std::string referenceName(const Case& c) {
    return std::string("reference/") + c.name;
}

void registerAll() {
    for (const Case& c : cases) {
        benchmark::RegisterBenchmark(fastName(c).c_str(),
                                     [c](benchmark::State& s) { keystroke(s, c.text); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(9)
            ->ReportAggregatesOnly(true);
    }
    for (const Case& c : cases) {
        benchmark::RegisterBenchmark(referenceName(c).c_str(),
                                     [c](benchmark::State& s) { referenceKeystroke(s, c.text); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->Iterations(3)
            ->ReportAggregatesOnly(true);
    }
    benchmark::RegisterBenchmark("build_index", buildIndex)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

void printSummary(const bench::MedianReporter& reporter) {
    std::printf("\nOne keystroke at %d tracks, median wall time (informative, never fails "
                "the run):\n",
                catalogSize);
    std::printf("  %-22s %10s %12s %8s   %s\n", "case", "index ms", "reference ms", "ratio",
                "verdict");
    for (const Case& c : cases) {
        const auto fast = reporter.median(fastName(c));
        const auto reference = reporter.median(referenceName(c));
        if (!fast || !reference) {
            std::printf("  %-22s (filtered out or failed)\n", c.name);
            continue;
        }
        const double ratio = *reference / *fast;
        const bool met = *fast < maxKeystrokeMilliseconds && ratio >= minTimesFasterThanReference;
        std::printf("  %-22s %10.2f %12.2f %7.1fx   %s\n", c.name, *fast, *reference, ratio,
                    met ? "met" : "MISSED");
    }
    std::printf("  targets: index < %.0f ms, at least %.0fx faster than the reference\n",
                maxKeystrokeMilliseconds, minTimesFasterThanReference);
}

} // namespace

int main(int argc, char** argv) {
    return bench::runWithSummary(argc, argv, registerAll, printSummary);
}
