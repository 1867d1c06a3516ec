#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace aru::test {

// Runs a command-line tool (pactl, xprop…) to its end: its standard output, or a null array when
// it could not start, failed or took longer than `timeoutMs`.
inline QByteArray toolOutput(const QString& program, const QStringList& arguments,
                             int timeoutMs = 10000) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    QByteArray out = process.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

inline QByteArray pactl(const QStringList& arguments) {
    return toolOutput("pactl", arguments);
}

// The sound server's sinks that this process's playback streams are on, by sink index.
// Tests poll this. A query that fails or stalls (three seconds) reads as {-1}, which no check
// accepts, not as "no stream": the poll asks again within its own wait.
inline QList<qint64> ourPlaybackSinks() {
    const QByteArray json = toolOutput("pactl", {"-f", "json", "list", "sink-inputs"}, 3000);
    if (json.isNull())
        return {-1};
    const QString pid = QString::number(QCoreApplication::applicationPid());
    QList<qint64> sinks;
    for (const QJsonValue& input : QJsonDocument::fromJson(json).array()) {
        if (input["properties"]["application.process.id"].toString() == pid)
            sinks.append(input["sink"].toInteger(-1));
    }
    return sinks;
}

} // namespace aru::test
