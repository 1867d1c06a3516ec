#include "InitialWindowPlacement.h"
#include "SettingsStore.h"
#include "TestHome.h"

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
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The window's frame as the X server has it: the client's place and size, grown by the
// decorations the window manager announces.
QRect frameOnScreen(WId window) {
    const QString id = QString::number(window);
    const QString info = run("xwininfo", {"-id", id});
    const QString extents = run("xprop", {"-id", id, "_NET_FRAME_EXTENTS"});
    const auto number = [&](const QString& label) {
        return QRegularExpression(label + ":\\s+(-?\\d+)").match(info).captured(1).toInt();
    };
    const auto margins = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)").match(extents);
    if (!margins.hasMatch())
        return {};
    const int left = margins.captured(1).toInt(), right = margins.captured(2).toInt();
    const int top = margins.captured(3).toInt(), bottom = margins.captured(4).toInt();
    return QRect(number("Absolute upper-left X") - left, number("Absolute upper-left Y") - top,
                 number("Width") + left + right, number("Height") + top + bottom);
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
        for (const char* tool : {"openbox", "xwininfo", "xprop"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(QString("%1 is not installed").arg(tool)));
        }
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
        const QRect expected =
            InitialWindowPlacement::placedFrame(window.screen()->availableGeometry());
        QTRY_COMPARE_WITH_TIMEOUT(frameOnScreen(window.winId()), expected, 5000);
        QVERIFY(window.screen()->availableGeometry().contains(frameOnScreen(window.winId())));
    }
};

ARU_TEST_MAIN(WindowFrameTest)
#include "tst_window_frame.moc"
