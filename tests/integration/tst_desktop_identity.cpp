#include "DesktopIdentity.h"
#include "TestHome.h"
#include "ToolOutput.h"

#include <QAudioSink>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMediaDevices>
#include <algorithm>

using namespace aru;

namespace {

// "name|icon" of each sound-server client this process opened.
QStringList ourSoundClients() {
    const QString pid = QString::number(QCoreApplication::applicationPid());
    QStringList clients;
    const QByteArray json = test::pactl({"-f", "json", "list", "clients"});
    for (const QJsonValue& client : QJsonDocument::fromJson(json).array()) {
        const QJsonObject properties = client["properties"].toObject();
        if (properties["application.process.id"].toString() == pid)
            clients.append(properties["application.name"].toString() + '|' +
                           properties["application.icon_name"].toString());
    }
    return clients;
}

} // namespace

class DesktopIdentityTest : public QObject {
    Q_OBJECT

private slots:
    // The desktop's sound panel lists a stream under its sound-server client's name and icon. Qt's
    // player alone connects as "QtPulseAudio:<pid>"; with the identity applied first, its
    // connection carries the app's display name and icon.
    void playerConnectsUnderTheAppsNameAndIcon() {
        if (test::pactl({"info"}).isNull())
            QSKIP("No PulseAudio server can be reached (scripts/test starts one)");
        qunsetenv("PULSE_PROP_OVERRIDE");
        QGuiApplication::setApplicationDisplayName("Display Name");
        DesktopIdentity::apply();

        QAudioFormat format;
        format.setSampleRate(44100);
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        QAudioSink sink(QMediaDevices::defaultAudioOutput(), format);
        QVERIFY(sink.start());
        QTRY_VERIFY(!ourSoundClients().isEmpty());
        const QStringList clients = ourSoundClients();
        const QString expected = "Display Name|" + DesktopIdentity::appId();
        QVERIFY2(std::all_of(clients.begin(), clients.end(),
                             [&](const QString& client) { return client == expected; }),
                 qPrintable(clients.join(", ")));
    }
};

ARU_TEST_MAIN(DesktopIdentityTest)
#include "tst_desktop_identity.moc"
