#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <chrono>

class QWindow;

namespace aru {

class SettingsStore;

// The first time the application runs, moves its window onto the left part of the screen: 0.15 s
// after the window is shown, unless "aru.window.halfScreen.v1" says this was done already, the
// window takes the full height of the screen's available area and half its width (never under
// 720, never wider than the area), then the flag is set. Later launches leave the window alone.
class InitialWindowPlacement : public QObject {
    Q_OBJECT

public:
    static inline const QString defaultsKey = QStringLiteral("aru.window.halfScreen.v1");
    // Equal to the window content's minimum width.
    static constexpr int minWidth = 720;
    static constexpr std::chrono::milliseconds delay{150};
    // How many times, `delay` apart, a late decoration of the window is looked for after placing.
    static constexpr int settleChecks = 20;

    // The placed width for an available area this wide: half of it, rounded to the nearest whole
    // unit with halves away from zero, raised to minWidth, capped to the area.
    static int placedWidth(int availableWidth);
    // The placed frame (title bar and borders included) inside that available area.
    static QRect placedFrame(const QRect& available);

    // Watches `window`; the store keeps the flag. Both must outlive this object or the window
    // may go first.
    InitialWindowPlacement(QWindow& window, SettingsStore& settings, QObject* parent = nullptr);

signals:
    // The placement ran and the flag is now set.
    void placed(const QRect& frame);

private:
    void windowShown();
    void place();
    void fitContentsToFrame();
    void settle();

    QPointer<QWindow> m_window;
    SettingsStore& m_settings;
    QRect m_frame;
    QMargins m_fittedMargins;
    int m_settleChecksLeft = 0;
};

} // namespace aru
