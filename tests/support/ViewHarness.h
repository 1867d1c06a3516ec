#pragma once

#include "ImageCache.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtTest/QTest>
#include <memory>

namespace aru::test {

// One view of the app's QML module in a window of its own, driven as a user would: clicks on
// named items, keys typed into the focused one, pictures of the window. The view reaches the
// application state of the test (a TestState) as the AppState singleton, and covers through the
// test's ImageCache when it has one.
class ViewHarness {
public:
    // Shows `qmlFile` (a file of the module, e.g. "LoginView.qml") at `size`, with the given
    // initial properties set on its root object.
    explicit ViewHarness(const QString& qmlFile, QSize size = {1280, 820},
                         const QVariantMap& properties = {}) {
        m_view = std::make_unique<QQuickView>();
        m_view->engine()->addImportPath("qrc:/qt/qml");
        if (ImageCache::exists())
            ImageCache::installInto(*m_view->engine());
        m_view->setInitialProperties(properties);
        m_view->setResizeMode(QQuickView::SizeRootObjectToView);
        m_view->resize(size);
        m_view->setSource(QUrl("qrc:/qt/qml/Aru/" + qmlFile));
        if (m_view->status() != QQuickView::Ready)
            qWarning("cannot load %s: %s", qPrintable(qmlFile),
                     qPrintable(m_view->errors().value(0).toString()));
        m_view->show();
    }

    bool isReady() const { return m_view->status() == QQuickView::Ready && root(); }
    bool waitExposed() { return QTest::qWaitForWindowExposed(m_view.get()); }
    QQuickView* window() const { return m_view.get(); }
    QQuickItem* root() const { return m_view->rootObject(); }

    // The item with this object name anywhere under the root, visual children included.
    QQuickItem* item(const QString& name) const { return find(root(), name); }
    QVariant property(const QString& name, const char* property) const {
        QQuickItem* found = item(name);
        return found ? found->property(property) : QVariant();
    }
    QRect sceneRect(const QString& name) const {
        QQuickItem* target = item(name);
        return target ? target->mapRectToScene(QRectF(0, 0, target->width(), target->height()))
                            .toRect()
                      : QRect();
    }
    // Clicks at a point of the named item given as fractions of its size (the centre by default).
    void click(const QString& name, QPointF at = {0.5, 0.5}) {
        const QRect rect = sceneRect(name);
        QTest::mouseClick(
            m_view.get(), Qt::LeftButton, {},
            QPoint(rect.x() + int(rect.width() * at.x()), rect.y() + int(rect.height() * at.y())));
    }
    // Types ASCII text key by key into whatever has the focus.
    void type(const QString& text) {
        for (const QChar c : text)
            QTest::keyClick(m_view.get(), c.toLatin1());
    }

    // A picture of the window, also saved as <name>.png in the screenshot folder ("screenshots"
    // beside the test binary, or ARU_SCREENSHOT_DIR).
    QImage grab(const QString& name) {
        QImage image = m_view->grabWindow().convertToFormat(QImage::Format_RGB32);
        const QString configured = qEnvironmentVariable("ARU_SCREENSHOT_DIR");
        const QString dir = configured.isEmpty()
                                ? QCoreApplication::applicationDirPath() + "/screenshots"
                                : configured;
        QDir().mkpath(dir);
        image.save(dir + QLatin1Char('/') + name + ".png");
        return image;
    }
    // Colours the renderer may round by a couple of steps per channel.
    static bool near(QColor actual, QColor expected, int tolerance = 2) {
        return qAbs(actual.red() - expected.red()) <= tolerance &&
               qAbs(actual.green() - expected.green()) <= tolerance &&
               qAbs(actual.blue() - expected.blue()) <= tolerance;
    }
    // A translucent colour as it shows over an opaque one.
    static QColor over(const QColor& top, const QColor& below) {
        const qreal a = top.alphaF();
        return QColor::fromRgbF(top.redF() * a + below.redF() * (1 - a),
                                top.greenF() * a + below.greenF() * (1 - a),
                                top.blueF() * a + below.blueF() * (1 - a));
    }

    // The item named `name` in `item`'s tree, `item` included.
    static QQuickItem* find(QQuickItem* item, const QString& name) {
        if (!item)
            return nullptr;
        if (item->objectName() == name)
            return item;
        for (QQuickItem* child : item->childItems()) {
            if (QQuickItem* found = find(child, name))
                return found;
        }
        return nullptr;
    }

private:
    std::unique_ptr<QQuickView> m_view;
};

} // namespace aru::test
