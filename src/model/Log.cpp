#include "Log.h"

#include <algorithm>
#include <cstdio>

namespace aru::Log {

namespace {

// Lines are written from the main thread only; the capture is a test aid.
Capture* activeCapture = nullptr;

bool breaksTheLine(QChar c) {
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

// Every control character and line or paragraph separator written as an escape: "\n", "\r", "\t",
// or "\u" and four hexadecimal digits.
QString escapedControls(const QString& text) {
    if (std::none_of(text.cbegin(), text.cend(), breaksTheLine))
        return text;
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (!breaksTheLine(c))
            escaped.append(c);
        else if (c == QLatin1Char('\n'))
            escaped.append(QLatin1String("\\n"));
        else if (c == QLatin1Char('\r'))
            escaped.append(QLatin1String("\\r"));
        else if (c == QLatin1Char('\t'))
            escaped.append(QLatin1String("\\t"));
        else
            escaped.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    return escaped;
}

} // namespace

void line(const QString& raw) {
    const QString text = escapedControls(raw);
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
