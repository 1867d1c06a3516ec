#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <stdexcept>

namespace aru::test {

namespace {

void setPathVariable(const char* name, const QString& value) {
    QDir().mkpath(value);
    qputenv(name, QFile::encodeName(value));
}

} // namespace

TestHome::TestHome(const char* testName) {
    const QByteArray base = qEnvironmentVariableIsSet("TMPDIR") ? qgetenv("TMPDIR") : "/tmp";
    QByteArray pattern = base + "/aru-test-" + testName + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a test home");
    m_path = QFile::decodeName(pattern);
    setPathVariable("HOME", m_path);
    setPathVariable("XDG_CONFIG_HOME", m_path + "/.config");
    setPathVariable("XDG_CACHE_HOME", m_path + "/.cache");
    setPathVariable("XDG_DATA_HOME", m_path + "/.local/share");
    setPathVariable("TMPDIR", m_path + "/tmp");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QDir().mkpath(m_path + "/Documents");
}

TestHome::~TestHome() {
    QDir(m_path).removeRecursively();
}

} // namespace aru::test
