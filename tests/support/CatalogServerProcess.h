#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace aru::test {

// Runs the substitute catalogue server for one test: on a free loopback port, over a temporary
// data folder of its own, stopped with SIGTERM when destroyed.
class CatalogServerProcess {
public:
    // With `keepRequestLog`, the server's request lines are kept for requestLog() as well as
    // shown on the test's standard error; they are read while the test's event loop runs.
    explicit CatalogServerProcess(const QStringList& extraArguments = {},
                                  bool keepRequestLog = false);
    ~CatalogServerProcess();
    CatalogServerProcess(const CatalogServerProcess&) = delete;
    CatalogServerProcess& operator=(const CatalogServerProcess&) = delete;

    bool isRunning() const;
    // Why the server did not start, for test failure messages.
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT", without a trailing slash.
    QUrl baseUrl() const;
    // One line per request handled so far ("POST /api/search/interpret -> 200, ..."), when kept.
    QByteArray requestLog() const { return m_requestLog; }

    // Sends SIGTERM and waits; true when the server exited by itself with status 0.
    bool stop();

private:
    QTemporaryDir m_dataDir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
    QByteArray m_requestLog;
};

} // namespace aru::test
