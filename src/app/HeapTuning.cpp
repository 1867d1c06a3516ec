#include "HeapTuning.h"

#include <malloc.h>

namespace aru::HeapTuning {

namespace {

// A large catalogue's records are a couple of million small blocks made on a worker thread.
// glibc gives a thread its own heaps of at most 64 MB and by default opens them up a page or so
// at a time, each step an mprotect that rearranges the memory map: some 36,000 of them for
// 100,000 tracks, a tenth of the decode. With this much padding a heap is opened whole when it
// is made, a handful of calls in all. Memory is only used as it is touched; what stays mapped
// after frees is handed back when a replaced catalogue is released (malloc_trim).
constexpr int heapPaddingBytes = 64 * 1024 * 1024;

} // namespace

void apply() {
    // Setting it also keeps the threshold above which a block gets a mapping of its own at its
    // default, so the large buffers of a load (the document, the parser's index) go back to the
    // system as soon as they are freed instead of staying in the heap.
    mallopt(M_TOP_PAD, heapPaddingBytes);
}

} // namespace aru::HeapTuning
