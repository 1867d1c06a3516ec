#include "CatalogServerProcess.h"

#include <QDeadlineTimer>
#include <cstdio>

namespace aru::test {

namespace {

// Generous: sanitizer builds start slowly and a large catalogue is written before the port is
// announced.
constexpr int kStartTimeoutMs = 60000;
constexpr int kStopTimeoutMs = 15000;

} // namespace

CatalogServerProcess::CatalogServerProcess(const QStringList& extraArguments, bool keepRequestLog) {
    // Request lines go to the test's own standard error, where ctest shows them on failure.
    // Kept, they pass through this process, so only when asked: a test that blocks without an
    // event loop would otherwise fill the pipe and stall the server.
    m_process.setProcessChannelMode(keepRequestLog ? QProcess::SeparateChannels
                                                   : QProcess::ForwardedErrorChannel);
    if (keepRequestLog)
        QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process, [this] {
            const QByteArray lines = m_process.readAllStandardError();
            m_requestLog += lines;
            std::fwrite(lines.constData(), 1, size_t(lines.size()), stderr);
        });
    m_process.start(QStringLiteral(ARU_CATALOG_SERVER_PATH),
                    QStringList{"--port", "0", "--data-dir", m_dataDir.path()} + extraArguments);
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        m_error = m_process.errorString();
        return;
    }
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running &&
           !deadline.hasExpired())
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    const QByteArray line = m_process.readLine().trimmed();
    bool ok = false;
    const uint port = line.toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        m_error = QString("the server announced no port (first line: \"%1\", exit code %2)")
                      .arg(QString::fromUtf8(line))
                      .arg(m_process.exitCode());
        stop();
        return;
    }
    m_port = static_cast<quint16>(port);
}

CatalogServerProcess::~CatalogServerProcess() {
    stop();
}

bool CatalogServerProcess::isRunning() const {
    return m_port != 0 && m_process.state() == QProcess::Running;
}

QUrl CatalogServerProcess::baseUrl() const {
    return QUrl(QString("http://127.0.0.1:%1").arg(m_port));
}

bool CatalogServerProcess::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return false;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
        return false;
    }
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

} // namespace aru::test
