#include "ResidentMemory.h"

#include <QByteArray>
#include <QFile>

namespace aru::test::ResidentMemory {

namespace {

qint64 statusBytes(const QByteArray& field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').constFirst().toLongLong() * 1024;
    }
    return -1;
}

} // namespace

qint64 currentBytes() {
    return statusBytes("VmRSS");
}

qint64 peakBytes() {
    return statusBytes("VmHWM");
}

void resetPeak() {
    QFile clearRefs("/proc/self/clear_refs");
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

} // namespace aru::test::ResidentMemory
