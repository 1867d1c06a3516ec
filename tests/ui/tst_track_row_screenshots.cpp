#include "AppServices.h"
#include "FontRegistry.h"
#include "LicenseMail.h"
#include "SampleTrack.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"
#include "Theme.h"
#include "ViewHarness.h"
#include "WaveformBarLayout.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

// A track row on a real window system (OpenGL through Xvfb, as on a desktop): pictures in its
// looks checked for sizes and colours, and the licence request handed to the desktop's mail
// program. Pictures are kept in "screenshots" beside the test binary (or ARU_SCREENSHOT_DIR).
class TrackRowScreenshotsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_caches;
    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<test::ViewHarness> m_view;
    Track m_track;
    const QColor m_coverColor{0x33, 0x66, 0xaa};

    QRect rect(const char* name) const { return m_view->sceneRect(name); }
    static bool near(QColor actual, QColor expected, int tolerance = 2) {
        return test::ViewHarness::near(actual, expected, tolerance);
    }
    static QColor over(const QColor& top, const QColor& below) {
        return test::ViewHarness::over(top, below);
    }
    QString recordedMailUrl() const {
        QFile file(m_dir.filePath("xdg-open.args"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                              : QString();
    }
    void show(const char* file = "TrackRow.qml", QSize size = {1280, 260},
              QVariantMap properties = {}) {
        properties.insert("track", QVariant::fromValue(m_track));
        m_view = std::make_unique<test::ViewHarness>(file, size, properties);
        m_view->window()->setColor(Theme::Color::bgDark);
        QVERIFY(m_view->isReady() && m_view->waitExposed());
    }

private slots:
    void initTestCase() {
        FontRegistry::registerBundledFonts();
        qInfo("platform: %s", qPrintable(QGuiApplication::platformName()));
        // The desktop's mail program is a script that records what it was given.
        const QString bin = m_dir.filePath("bin");
        QDir().mkpath(bin);
        QFile opener(bin + "/xdg-open");
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write(QString("#!/bin/sh\nprintf '%s' \"$1\" > '%1.part' && mv '%1.part' '%1'\n")
                         .arg(m_dir.filePath("xdg-open.args"))
                         .toUtf8());
        opener.close();
        opener.setPermissions(opener.permissions() | QFileDevice::ExeOwner);
        qputenv("PATH", bin.toUtf8() + ":" + qgetenv("PATH"));
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("DESKTOP_SESSION");
    }

    void init() {
        m_view.reset();
        m_state.reset();
        m_services.reset();
        m_server = test::ScriptedHttpServer::asCatalogueServer();
        QImage cover(64, 64, QImage::Format_RGB32);
        cover.fill(m_coverColor);
        QByteArray png;
        QBuffer buffer(&png);
        cover.save(&buffer, "PNG");
        m_server->on("GET", "/covers/42.png", Response::binary(png));
        m_caches = std::make_unique<QTemporaryDir>();
        m_services = std::make_unique<AppServices>(m_caches->path());
        m_state = std::make_unique<test::TestState>();
        m_state->restartSignedIn("demo@aru.test", "token", m_caches->filePath("Downloads"));
        (*m_state)->preferences()->setLanguage(AppLanguage::En);
        (*m_state)->layout()->updateLayout(1280);
        m_track = test::sampleTrack(m_server->baseUrl());
    }

    void idleThenDetailsOpen() {
        show();
        QTest::qWait(300);
        const QImage image = m_view->grab("track-row-idle");
        const QRect line = rect("rowLine");
        // 80 of cover and 14 above and below.
        QCOMPARE(line.height(), 108);
        const QRect cover = rect("coverBlock");
        QCOMPARE(cover, QRect(64, 14, 80, 80));
        QTRY_VERIFY(
            near(m_view->grab("track-row-idle").pixelColor(cover.left() + 10, cover.top() + 10),
                 m_coverColor));
        QVERIFY(near(image.pixelColor(5, line.bottom()),
                     over(Theme::Color::borderDark, Theme::Color::bgDark)));
        QVERIFY(near(image.pixelColor(5, line.center().y()), Theme::Color::bgDark));
        // The idle badge: a 22-wide black disc 4 in from the cover's corner.
        const QRect badge = rect("dragBadge");
        QCOMPARE(badge, QRect(cover.right() - 4 - 22 + 1, cover.bottom() - 4 - 22 + 1, 22, 22));

        // With the details open, the button is on the accent and the panel below the line.
        m_view->click("infoButton");
        QTest::qWait(400);
        const QImage info = m_view->grab("track-row-info");
        const QRect button = rect("infoButton");
        QVERIFY(near(info.pixelColor(button.left() + 2, button.top() + 2), Theme::Color::accent));
        const QRect panel = rect("infoPanel");
        QCOMPARE(panel.top(), line.bottom() + 1);
        QVERIFY(near(info.pixelColor(10, panel.top() + 5), Theme::Color::surfaceDark));
    }

    void playingWithProgress() {
        // 380 peaks rising and falling, so bars of every height show.
        QStringList values;
        for (int i = 0; i < 380; ++i)
            values.append(QString::number(0.5 + 0.5 * std::sin(i / 9.0), 'f', 3));
        QFile cache(m_services->waveforms().cacheFilePath(m_track.id));
        QVERIFY(cache.open(QIODevice::WriteOnly));
        cache.write("[" + values.join(',').toUtf8() + "]");
        cache.close();
        show();
        m_view->click("playButton");
        auto* platform = m_state->media().current;
        QVERIFY(platform);
        platform->knownDuration = 185;
        platform->tick(74);
        QTest::qWait(300);
        const QImage image = m_view->grab("track-row-playing");

        const QRect line = rect("rowLine");
        const QColor tint =
            over(QColor::fromRgbF(Theme::Color::accent.redF(), Theme::Color::accent.greenF(),
                                  Theme::Color::accent.blueF(), 0.04),
                 Theme::Color::bgDark);
        QVERIFY(near(image.pixelColor(5, line.center().y()), tint));
        // One bar per peak at this width, 1.5 wide: the pixel nearest a bar's centre is covered
        // by at least three quarters. The loudest bar before 40 % (peak 14) is the accent, the
        // loudest after it (peak 297) white at 0.58 × 0.7.
        const QRect bars = rect("waveformBars");
        QCOMPARE(bars.height(), 28);
        const qreal slot = bars.width() / 380.0;
        const auto showsBar = [&](int i, const QColor& colour) {
            const int centre = bars.left() + int(slot / 2 + slot * i);
            for (int x = centre - 1; x <= centre + 1; ++x) {
                const QColor pixel = image.pixelColor(x, bars.center().y());
                for (const qreal coverage : {0.75, 0.8, 0.85, 0.9, 0.95, 1.0}) {
                    QColor partial = colour;
                    partial.setAlphaF(colour.alphaF() * coverage);
                    if (near(pixel, over(partial, tint), 6))
                        return true;
                }
            }
            return false;
        };
        QVERIFY(showsBar(14, Theme::Color::accent));
        QVERIFY(showsBar(297, WaveformBarLayout::barColor(1, false)));
        QVERIFY(!showsBar(297, Theme::Color::accent));
    }

    void licenseRequestReachesTheMailProgram() {
        m_track.title = "Rock + Roll & #1 at 100%\nLive";
        show();
        m_view->click("licenseButton");
        QTRY_VERIFY(!recordedMailUrl().isEmpty());
        // Handed over exactly as made; how it is made is tst_track_view_rules' licenceRequest.
        QCOMPARE(recordedMailUrl(),
                 LicenseMail::url(m_track, AppLanguage::En).toString(QUrl::FullyEncoded));
    }

    // The sidebar's row: 48 cover, 22 play button, 24 strip, the WAV button and the remove button
    // stacked at the trailing side, a hairline below.
    void sidebarRow() {
        show("SidebarTrackRow.qml", {420, 90}, {{"showsRemoveButton", true}});
        QTest::qWait(300);
        const QImage image = m_view->grab("sidebar-row");
        const QRect cover = rect("coverBlock");
        QCOMPARE(cover, QRect(24, 10, 48, 48));
        QTRY_VERIFY(near(m_view->grab("sidebar-row").pixelColor(cover.center()), m_coverColor));
        QCOMPARE(rect("playButton").size(), QSize(22, 22));
        QCOMPARE(rect("waveformArea").height(), 24);
        const QRect wav = rect("wavButton");
        const QRect remove = rect("removeButton");
        QCOMPARE(wav.right(), 420 - 24 - 1);
        QCOMPARE(remove.size(), QSize(22, 22));
        QCOMPARE(remove.top() - wav.bottom() - 1, 6);
        QVERIFY(near(image.pixelColor(wav.left() + 2, wav.center().y()),
                     over(Theme::Color::accentSoft, Theme::Color::bgDark)));
        const int bottom = int(m_view->root()->height()) - 1;
        QVERIFY(near(image.pixelColor(5, bottom),
                     over(Theme::Color::borderDark, Theme::Color::bgDark)));
    }

    // A drag from the title line into another application's window (a separate process, moved to
    // by real pointer events) hands over the track's file as a file list to be copied, and enters
    // the track in the downloads history.
    void dragOutHandsOverTheFile() {
        const QDir folder(m_caches->filePath("Downloads"));
        QVERIFY(folder.mkpath("."));
        QFile wav(folder.filePath(m_track.suggestedFilename()));
        QVERIFY(wav.open(QIODevice::WriteOnly) && wav.write("RIFF....WAVE") == 12);
        wav.close();
        show();
        m_view->window()->setPosition(0, 0);
        QTRY_VERIFY(m_view->item("trackRow")
                        ->property("dragController")
                        .value<QObject*>()
                        ->property("canDrag")
                        .toBool());

        QProcess target;
        target.start(ARU_DROP_TARGET_PATH, {"0", "400", "600", "300"});
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += target.readAllStandardOutput()).contains("ready\n"),
                                 10'000);
        received.clear();
        const QPoint from = m_view->window()->mapToGlobal(rect("titleText").center());
        QProcess pointer;
        pointer.start("xdotool", QString("mousemove %1 %2 mousedown 1 sleep 0.2 mousemove %3 %4 "
                                         "sleep 0.2 mousemove 300 540 sleep 0.3 mousemove 310 550 "
                                         "sleep 0.3 mouseup 1")
                                     .arg(from.x())
                                     .arg(from.y())
                                     .arg(from.x() + 20)
                                     .arg(from.y() + 20)
                                     .split(' '));
        QTRY_VERIFY_WITH_TIMEOUT((received += target.readAllStandardOutput()).count('\n') >= 2,
                                 10'000);
        target.kill();
        target.waitForFinished();
        QCOMPARE(QString::fromUtf8(received).split('\n', Qt::SkipEmptyParts),
                 QStringList({"drop copy",
                              QUrl::fromLocalFile(wav.fileName()).toString(QUrl::FullyEncoded)}));
        QCOMPARE((*m_state)->downloads()->downloads().size(), 1);
        QCOMPARE((*m_state)->downloads()->downloads().first().id, m_track.id);
    }
};

ARU_TEST_MAIN(TrackRowScreenshotsTest)
#include "tst_track_row_screenshots.moc"
