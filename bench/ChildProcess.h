#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <vector>

namespace aru::bench {

// Runs this benchmark's own executable again with `arguments` and returns what it printed on
// standard output, or nothing when it failed: a measurement that must start in a fresh process
// (a cold heap, a first thread, a real start of the app) runs there.
inline std::optional<QByteArray>
runChild(const QString& executable, const QStringList& arguments,
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
         int timeoutMs = 120'000) {
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(executable, arguments);
    if (!child.waitForFinished(timeoutMs) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        child.kill();
        child.waitForFinished();
        return std::nullopt;
    }
    return child.readAllStandardOutput();
}

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace aru::bench
