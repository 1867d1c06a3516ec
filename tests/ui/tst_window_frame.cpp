#include "InitialWindowPlacement.h"
#include "SettingsStore.h"
#include "TestHome.h"
#include "ToolOutput.h"

#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

using namespace aru;

namespace {

QString run(const QString& program, const QStringList& arguments) {
    return QString::fromUtf8(test::toolOutput(program, arguments, 5000));
}

// The frame as the X server has it: the client's place and size grown by the decorations the
// window manager announces.
QRect frameOnScreen(WId window) {
    const QString id = QString::number(window);
    const QString geometry =
        run("xwininfo", {"-id", id}) + run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"});
    QList<int> n;
    for (const char* field : {"upper-left X", "upper-left Y", "Width", "Height"})
        n << QRegularExpression(QString(field) + ":\\s+(-?\\d+)")
                 .match(geometry)
                 .captured(1)
                 .toInt();
    const auto margins = QRegularExpression("_NET_FRAME_EXTENTS\\(CARDINAL\\) = (\\d+), (\\d+), "
                                            "(\\d+), (\\d+)")
                             .match(geometry);
    const auto margin = [&](int i) { return margins.captured(i).toInt(); };
    return QRect(n[0] - margin(1), n[1] - margin(3), n[2] + margin(1) + margin(2),
                 n[3] + margin(3) + margin(4));
}

} // namespace

// The first-run placement under a real window manager (openbox on Xvfb), read back from the X
// server: the title bar must be on the screen, where the user can take hold of it.
class WindowFrameTest : public QObject {
    Q_OBJECT

    QProcess m_windowManager;

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server: the test runs under xvfb-run");
        if (QStandardPaths::findExecutable("openbox").isEmpty())
            QSKIP("openbox is not installed");
        m_windowManager.start("openbox", {});
        QTRY_VERIFY_WITH_TIMEOUT(
            run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"), 10000);
    }
    void cleanupTestCase() {
        m_windowManager.terminate();
        m_windowManager.waitForFinished();
    }

    void theWholeFrameLandsInsideTheAvailableArea() {
        QTemporaryDir dir;
        SettingsStore store(dir.filePath("settings.ini"));
        QWindow window;
        window.setGeometry(300, 200, 400, 300);
        InitialWindowPlacement placement(window, store);
        QSignalSpy placed(&placement, &InitialWindowPlacement::placed);
        window.show();
        QVERIFY(placed.wait(5000));
        const QRect available = window.screen()->availableGeometry();
        QTRY_COMPARE_WITH_TIMEOUT(frameOnScreen(window.winId()),
                                  InitialWindowPlacement::placedFrame(available), 5000);
    }
};

ARU_TEST_MAIN(WindowFrameTest)
#include "tst_window_frame.moc"
