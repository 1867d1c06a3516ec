// The application entry: the shared services and one AppState for the whole run, the QML
// engine, and the main window.
#include "AppServices.h"
#include "AppState.h"
#include "DesktopIdentity.h"
#include "FontRegistry.h"
#include "HeapTuning.h"
#include "InitialWindowPlacement.h"
#include "MprisService.h"
#include "QtMediaBackend.h"
#include "SceneGraphChoice.h"
#include "ServerAddress.h"
#include "SettingsStore.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QUrl>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    // A development address that would send the session over plain http to another machine is
    // refused before anything starts.
    if (const QString problem = aru::ServerAddress::overrideProblem(); !problem.isEmpty()) {
        std::fprintf(stderr, "aru-sync: %s\n", qPrintable(problem));
        return 2;
    }

    aru::HeapTuning::apply();
    // Debian's GStreamer media backend cannot open http streams; the ffmpeg one can. It is chosen
    // before the application object exists, and only when the user did not choose.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");

    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(u"ARU Sync"_s);
    QGuiApplication::setApplicationDisplayName(u"ARU Sync"_s);
    QGuiApplication::setOrganizationName(u"ARU Records"_s);
    QGuiApplication::setApplicationVersion(QStringLiteral(ARU_SYNC_VERSION));
    aru::DesktopIdentity::apply();
    aru::SceneGraphChoice::apply();
    // Every control is restyled from the design's tokens, which needs a non-native style.
    QQuickStyle::setStyle(u"Basic"_s);

    aru::FontRegistry::registerBundledFonts();
    aru::AppServices services;
    aru::SettingsStore settings;
    aru::AppState state(settings, aru::QtMediaBackend::factory());

    // QML reaches the state and the waveform service as singletons; covers come through the
    // image provider installed here.
    QQmlApplicationEngine engine;
    engine.addImportPath(u"qrc:/qt/qml"_s);
    aru::ImageCache::installInto(engine);
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.load(QUrl(u"qrc:/qt/qml/Aru/AppWindow.qml"_s));

    auto* window = engine.rootObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    if (!window)
        return 1;
    aru::InitialWindowPlacement placement(*window, settings);
    const auto mediaControls =
        aru::MprisService::start(state, QDBusConnection::sessionBus(),
                                 {.raise =
                                      [window] {
                                          window->show();
                                          window->raise();
                                          window->requestActivate();
                                      },
                                  .quit = [] { QCoreApplication::quit(); },
                                  .coverFile =
                                      [](const QUrl& cover) {
                                          const QString path =
                                              aru::ImageCache::shared().diskPath(cover);
                                          return QFileInfo::exists(path) ? path : QString();
                                      }});
    return QGuiApplication::exec();
}
