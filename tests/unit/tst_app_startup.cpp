#include "InitialWindowPlacement.h"
#include "SceneGraphChoice.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QElapsedTimer>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>
#include <memory>

using namespace aru;

// How the app starts: where its first window goes, and which renderer draws it.
class AppStartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;

    bool flag() const {
        return m_store->boolean(InitialWindowPlacement::defaultsKey).value_or(false);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath("settings.ini"));
    }

    // The left part of the screen's available area (here a second screen, below a top panel),
    // at full height.
    void frame_data() {
        QTest::addColumn<int>("available");
        QTest::addColumn<int>("width");
        QTest::newRow("wide screen: half") << 2560 << 1280;
        QTest::newRow("half below the minimum: raised") << 1000 << 720;
        QTest::newRow("narrower than the minimum: capped") << 600 << 600;
        QTest::newRow("odd width: half rounds up") << 1441 << 721;
        QTest::newRow("exactly twice the minimum") << 1440 << 720;
        QTest::newRow("exactly the minimum") << 720 << 720;
    }
    void frame() {
        QFETCH(int, available);
        QFETCH(int, width);
        QCOMPARE(InitialWindowPlacement::placedFrame(QRect(1920, 32, available, 1368)),
                 QRect(1920, 32, width, 1368));
    }

    void firstShowingPlacesTheWindowOnceAfterTheDelay() {
        QWindow window;
        window.setGeometry(300, 200, 400, 300);
        InitialWindowPlacement placement(window, *m_store);
        QSignalSpy placed(&placement, &InitialWindowPlacement::placed);
        QElapsedTimer clock;
        clock.start();
        window.show();
        QVERIFY(placed.wait(2000));
        QVERIFY(clock.elapsed() >= 140);
        QVERIFY(flag());

        const QRect available = window.screen()->availableGeometry();
        const QRect expected = InitialWindowPlacement::placedFrame(available);
        QCOMPARE(placed.first().first().toRect(), expected);
        QCOMPARE(window.frameGeometry(), expected);

        // Shown again in the same run, or the next run: the flag keeps it where the user put it.
        window.setGeometry(300, 200, 400, 300);
        window.hide();
        window.show();
        InitialWindowPlacement nextRun(window, *m_store);
        QTest::qWait(400);
        QCOMPARE(placed.size(), 1);
        QCOMPARE(window.geometry(), QRect(300, 200, 400, 300));
    }

    // Gone or hidden when the delay ends: nothing is placed and the flag stays unset, so a window
    // hidden then is placed when it is shown again.
    void aWindowGoneOrHiddenAtTheDelayIsNotPlaced() {
        auto gone = std::make_unique<QWindow>();
        QWindow hidden;
        InitialWindowPlacement forGone(*gone, *m_store);
        InitialWindowPlacement forHidden(hidden, *m_store);
        QSignalSpy placedGone(&forGone, &InitialWindowPlacement::placed);
        QSignalSpy placedHidden(&forHidden, &InitialWindowPlacement::placed);
        gone->show();
        hidden.show();
        gone.reset();
        hidden.hide();
        QTest::qWait(400);
        QCOMPARE(placedGone.size() + placedHidden.size(), 0);
        QVERIFY(!flag());
        hidden.show();
        QVERIFY(placedHidden.wait(2000));
        QVERIFY(flag());
    }

    // Only rasterisers that run on the processor hand the drawing to Qt's software renderer; a
    // GPU driver built with LLVM is still a GPU.
    void softwareOpenGLIsRecognisedByItsRendererName_data() {
        QTest::addColumn<QByteArray>("renderer");
        QTest::addColumn<bool>("software");
        QTest::newRow("llvmpipe") << QByteArray("llvmpipe (LLVM 15.0.6, 256 bits)") << true;
        QTest::newRow("classic Mesa") << QByteArray("Software Rasterizer") << true;
        QTest::newRow("Intel") << QByteArray("Mesa Intel(R) UHD Graphics 620 (KBL GT2)") << false;
        QTest::newRow("AMD, built with LLVM")
            << QByteArray("AMD Radeon RX 6600 (navi23, LLVM 15.0.7, DRM 3.49)") << false;
        QTest::newRow("none") << QByteArray() << false;
    }
    void softwareOpenGLIsRecognisedByItsRendererName() {
        QFETCH(QByteArray, renderer);
        QFETCH(bool, software);
        QCOMPARE(SceneGraphChoice::isSoftwareOpenGL(renderer), software);
    }
};

ARU_TEST_MAIN(AppStartupTest)
#include "tst_app_startup.moc"
