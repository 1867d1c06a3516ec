#include "HeapTuning.h"

#include <malloc.h>

namespace aru::HeapTuning {

namespace {

// A large catalogue's records are a couple of million small blocks made on a worker thread.
// glibc grows a thread's heap a page or so at a time, each step a system call that rearranges
// the process's memory map: some 36,000 of them for 100,000 tracks, a tenth of the decode.
// Growing it 16 MB at a time makes that a dozen; memory is only used as it is touched, and at
// most this much stays mapped above a heap's last block when it shrinks.
constexpr int heapGrowthBytes = 16 * 1024 * 1024;

} // namespace

void apply() {
    // Setting it also keeps the threshold above which a block gets a mapping of its own at its
    // default, so the large buffers of a load (the document, the parser's index) go back to the
    // system as soon as they are freed instead of staying in the heap.
    mallopt(M_TOP_PAD, heapGrowthBytes);
}

} // namespace aru::HeapTuning
