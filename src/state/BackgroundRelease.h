#pragma once

#include <QThreadPool>
#include <malloc.h>
#include <utility>

namespace aru {

// Lets go of `value` on a worker thread. When this was the last hold on a large catalogue (its
// records, its search index), freeing it there keeps the window responsive, and the memory it
// held, a couple of million small blocks, goes back to the system instead of staying with the
// process. The value must be safe to release from another thread (Qt's implicitly shared data
// and std::shared_ptr are).
template <typename T> void releaseInBackground(T value) {
    QThreadPool::globalInstance()->start([value = std::move(value)]() mutable {
        value = T();
        malloc_trim(0);
    });
}

} // namespace aru
