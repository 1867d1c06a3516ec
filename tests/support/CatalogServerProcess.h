#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

namespace aru::test {

// Runs the substitute catalogue server for one test: on a free loopback port, with its own data
// folder (a temporary one unless given), stopped with SIGTERM when destroyed.
class CatalogServerProcess {
public:
    // `dataDir` empty: a fresh temporary folder, removed with this object. Pass the dataDir() of
    // an earlier server to start over the same sessions and favourites.
    explicit CatalogServerProcess(const QStringList& extraArguments = {},
                                  const QString& dataDir = {});
    ~CatalogServerProcess();
    CatalogServerProcess(const CatalogServerProcess&) = delete;
    CatalogServerProcess& operator=(const CatalogServerProcess&) = delete;

    bool isRunning() const;
    // Why the server did not start, for test failure messages.
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT", without a trailing slash.
    QUrl baseUrl() const;
    QString dataDir() const { return m_dataDir; }

    // Sends SIGTERM and waits; true when the server exited by itself with status 0.
    bool stop();

private:
    std::unique_ptr<QTemporaryDir> m_ownDir;
    QString m_dataDir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace aru::test
