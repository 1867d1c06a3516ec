#pragma once

#include <QByteArray>

namespace aru {

// What the server said identifies a catalogue it sent (its ETag and Last-Modified headers, each
// empty when it sent none). Given back with a later request, they let the server answer that the
// catalogue has not changed instead of sending it again.
struct CatalogValidators {
    QByteArray etag;
    QByteArray lastModified;

    bool isEmpty() const { return etag.isEmpty() && lastModified.isEmpty(); }
    friend bool operator==(const CatalogValidators&, const CatalogValidators&) = default;
};

} // namespace aru
