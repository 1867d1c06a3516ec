#include "InitialWindowPlacement.h"

#include "SettingsStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace aru {

int InitialWindowPlacement::placedWidth(int availableWidth) {
    // std::round takes halves away from zero: 1441 gives 721.
    const int half = static_cast<int>(std::round(availableWidth / 2.0));
    return std::min(availableWidth, std::max(minWidth, half));
}

QRect InitialWindowPlacement::placedFrame(const QRect& available) {
    return QRect(available.topLeft(), QSize(placedWidth(available.width()), available.height()));
}

InitialWindowPlacement::InitialWindowPlacement(QWindow& window, SettingsStore& settings,
                                               QObject* parent)
    : QObject(parent)
    , m_window(&window)
    , m_settings(settings) {
    connect(&window, &QWindow::visibleChanged, this, [this](bool visible) {
        if (visible)
            windowShown();
    });
    if (window.isVisible())
        windowShown();
}

void InitialWindowPlacement::windowShown() {
    if (m_settings.boolean(defaultsKey).value_or(false))
        return;
    // The delay lets the window system map and decorate the window first, so its frame is known.
    QTimer::singleShot(delay, this, &InitialWindowPlacement::place);
}

void InitialWindowPlacement::place() {
    if (!m_window || !m_window->isVisible())
        return;
    // Shown twice before the first timer fired: only the first placement counts.
    if (m_settings.boolean(defaultsKey).value_or(false))
        return;
    QScreen* screen = m_window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    // No screen: the flag stays unset, so the next showing tries again.
    if (!screen)
        return;
    const QRect frame = placedFrame(screen->availableGeometry());
    // The contents go inside the decorations. Placing by the frame instead leaves the position
    // to the window manager's reading of the window's gravity, and some (openbox) then put the
    // contents, not the frame, at the corner: the title bar lands above the screen, out of reach.
    // The window's minimum size still applies.
    m_frame = frame;
    fitContentsToFrame();
    m_settings.setBoolean(defaultsKey, true);
    emit placed(frame);
    // A busy window manager may decorate the window only after this ran, and then keeps the
    // contents where they are: the title bar ends up above the screen. Watch the decorations for a
    // while and fit the contents again whenever they change.
    m_settleChecksLeft = settleChecks;
    QTimer::singleShot(delay, this, &InitialWindowPlacement::settle);
}

void InitialWindowPlacement::fitContentsToFrame() {
    m_fittedMargins = m_window->frameMargins();
    m_window->setGeometry(m_frame.marginsRemoved(m_fittedMargins));
}

void InitialWindowPlacement::settle() {
    if (!m_window || !m_window->isVisible() || --m_settleChecksLeft < 0)
        return;
    if (m_window->frameMargins() != m_fittedMargins)
        fitContentsToFrame();
    QTimer::singleShot(delay, this, &InitialWindowPlacement::settle);
}

} // namespace aru
