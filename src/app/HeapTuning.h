#pragma once

namespace aru::HeapTuning {

// Sets the C library's allocator up for the app's one large job, loading the catalogue: call
// first thing in main(), before any thread starts.
void apply();

} // namespace aru::HeapTuning
