#include "DesktopIdentity.h"

#include <QDirIterator>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace aru::DesktopIdentity {

QString appId() {
    return QStringLiteral(ARU_APP_ID);
}

QIcon appIcon() {
    // Every rendered size goes in, so the window manager never has to scale a small one up.
    QIcon icon;
    QDirIterator it(u":/app-icon"_s, {u"*.png"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        icon.addFile(it.next());
    return icon;
}

namespace {

// The sound-server client properties that name the app and its icon.
QByteArray soundServerProperties() {
    const QString name = QGuiApplication::applicationDisplayName();
    return u"application.name='%1' application.id='%2' application.icon_name='%2'"_s
        .arg(name, appId())
        .toUtf8();
}

} // namespace

void apply() {
    QGuiApplication::setDesktopFileName(appId());
    QGuiApplication::setWindowIcon(appIcon());
    // Qt's player connects to the sound server as "QtPulseAudio:<pid>", the name the desktop's
    // sound panel would list the app's streams under. The client library reads these properties
    // from the environment when a connection opens, so setting them before the first one gives the
    // panel the app's name and icon. A value the user set stays.
    if (qEnvironmentVariableIsEmpty("PULSE_PROP_OVERRIDE"))
        qputenv("PULSE_PROP_OVERRIDE", soundServerProperties());
}

} // namespace aru::DesktopIdentity
