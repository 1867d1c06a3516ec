#pragma once

#include <QtGlobal>

namespace aru::test::ResidentMemory {

// The process's resident memory as the kernel counts it (/proc/self/status): what a user's
// system monitor shows, freed heap the allocator kept included.
qint64 currentBytes();
// The highest resident memory since the process started or since resetPeak().
qint64 peakBytes();
void resetPeak();

} // namespace aru::test::ResidentMemory
