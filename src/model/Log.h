#pragma once

#include <QString>
#include <QStringList>

namespace aru::Log {

// Prints one diagnostic line on standard output and flushes it, so that no line is lost when
// the output is a pipe or a file and the process is killed. Control characters in the text
// (a title's line break, say) are escaped, so a value can never start a line of its own.
void line(const QString& text);

// While one exists, lines are collected here instead of printed (tests read them).
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    QStringList lines() const { return m_lines; }

private:
    friend void line(const QString& text);
    QStringList m_lines;
    Capture* m_previous;
};

} // namespace aru::Log
