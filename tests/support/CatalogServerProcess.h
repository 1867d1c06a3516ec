#pragma once

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
    explicit CatalogServerProcess(const QStringList& extraArguments = {});
    ~CatalogServerProcess();
    CatalogServerProcess(const CatalogServerProcess&) = delete;
    CatalogServerProcess& operator=(const CatalogServerProcess&) = delete;

    bool isRunning() const;
    // Why the server did not start, for test failure messages.
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT", without a trailing slash.
    QUrl baseUrl() const;

    // Sends SIGTERM and waits; true when the server exited by itself with status 0.
    bool stop();

private:
    QTemporaryDir m_dataDir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace aru::test
