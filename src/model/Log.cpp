#include "Log.h"

#include <cstdio>

namespace aru::Log {

namespace {

// Lines are written from the main thread only; the capture is a test aid.
Capture* activeCapture = nullptr;

} // namespace

void line(const QString& text) {
    if (activeCapture) {
        activeCapture->m_lines.append(text);
        return;
    }
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

Capture::Capture()
    : m_previous(activeCapture) {
    activeCapture = this;
}

Capture::~Capture() {
    activeCapture = m_previous;
}

} // namespace aru::Log
