// Feeds arbitrary bytes to the catalogue decoder. Beyond not crashing (the sanitizers watch
// memory and undefined behaviour), every accepted document must be valid JSON as simdjson's tree
// parser, which validates everything, sees it (the decoder reads in one pass and must check what
// it skips), and must survive a round trip: encoding the decoded catalogue and decoding that
// again gives the same catalogue. A field the encoder writes in a form the decoder reads
// differently (an id beyond 2^53, a bpm text, an absent list against an empty one) shows up here
// as a difference.

#include "SyncCatalog.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <simdjson.h>

namespace {

void failRoundTrip(const char* what, const QByteArray& encoded) {
    std::fprintf(stderr, "catalogue round trip: %s\nencoded: %.*s\n", what,
                 int(qMin<qsizetype>(encoded.size(), 4096)), encoded.constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto decoded = aru::SyncCatalog::fromJson(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!decoded)
        return 0;

    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (const auto error = parser.parse(data, size).get(root)) {
        std::fprintf(stderr, "catalogue accepted, but not valid JSON: %s\n",
                     simdjson::error_message(error));
        std::abort();
    }

    const QByteArray encoded = decoded->toJson();
    const auto again = aru::SyncCatalog::fromJson(encoded);
    if (!again)
        failRoundTrip(qPrintable(QStringLiteral("re-decoding failed: ") + again.error()), encoded);
    if (!(again.value() == decoded.value()))
        failRoundTrip("re-decoded catalogue differs", encoded);
    return 0;
}
