#include "DownloadRing.h"
#include "FlowLayout.h"
#include "FolderHandleIcon.h"
#include "TestHome.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <limits>
#include <memory>
#include <optional>

using namespace aru;

Q_DECLARE_METATYPE(std::optional<qreal>)

namespace {

QList<QSizeF> widths(std::initializer_list<qreal> ws, qreal height = 20) {
    QList<QSizeF> sizes;
    for (const qreal w : ws)
        sizes.append(QSizeF(w, height));
    return sizes;
}

} // namespace

class SharedWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    // FlowLayout ---------------------------------------------------------------------------

    void flowMeasuring_data() {
        QTest::addColumn<QList<QSizeF>>("children");
        QTest::addColumn<std::optional<qreal>>("proposed");
        QTest::addColumn<QSizeF>("expected");
        const std::optional<qreal> unlimited;

        QTest::newRow("no children, unlimited") << QList<QSizeF>() << unlimited << QSizeF(0, 0);
        QTest::newRow("unlimited: one line, gaps between only")
            << widths({40, 50, 60}) << unlimited << QSizeF(40 + 6 + 50 + 6 + 60, 20);
        QTest::newRow("short line still claims the proposed width")
            << widths({40}) << std::optional<qreal>(500) << QSizeF(500, 20);
        QTest::newRow("third of 50s wraps at 160")
            << QList<QSizeF>{{50, 20}, {50, 30}, {50, 10}} << std::optional<qreal>(160)
            << QSizeF(160, 30 + 6 + 10);
        QTest::newRow("exact fit does not wrap")
            << widths({50, 50}) << std::optional<qreal>(106) << QSizeF(106, 20);
        QTest::newRow("zero width: a line each")
            << widths({10, 20, 30}) << std::optional<qreal>(0) << QSizeF(0, 3 * 20 + 2 * 6);
        QTest::newRow("first child wider than the line overflows on its own")
            << widths({200, 30}) << std::optional<qreal>(100) << QSizeF(100, 20 + 6 + 20);
    }
    void flowMeasuring() {
        QFETCH(QList<QSizeF>, children);
        QFETCH(std::optional<qreal>, proposed);
        QFETCH(QSizeF, expected);
        QCOMPARE(FlowLayout::sizeThatFits(children, proposed), expected);
    }

    void flowPlacing_data() {
        QTest::addColumn<QList<QSizeF>>("children");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<QList<QPointF>>("expected");

        QTest::newRow("wrap after two, inside offset bounds")
            << QList<QSizeF>{{50, 20}, {50, 30}, {50, 10}} << QRectF(10, 5, 160, 100)
            << QList<QPointF>{{10, 5}, {66, 5}, {10, 5 + 30 + 6}};
        QTest::newRow("overflowing first child stays at the line start")
            << widths({200, 30, 30}) << QRectF(0, 0, 100, 100)
            << QList<QPointF>{{0, 0}, {0, 26}, {36, 26}};
        QTest::newRow("zero width: a line each")
            << widths({10, 20}) << QRectF(0, 0, 0, 0) << QList<QPointF>{{0, 0}, {0, 26}};
    }
    void flowPlacing() {
        QFETCH(QList<QSizeF>, children);
        QFETCH(QRectF, bounds);
        QFETCH(QList<QPointF>, expected);
        QCOMPARE(FlowLayout::placeSubviews(children, bounds), expected);
    }

    void flowMeasuredHeightMatchesThePlacement() {
        // Uneven sizes over many widths: the lowest child's bottom is the measured height.
        const QList<QSizeF> children{{37, 12}, {80, 25}, {15, 9}, {64, 31}, {120, 14}, {9, 40}};
        for (qreal width = 0; width <= 400; width += 7) {
            const QSizeF measured = FlowLayout::sizeThatFits(children, width, 4, 3);
            const QList<QPointF> origins =
                FlowLayout::placeSubviews(children, QRectF(0, 0, width, measured.height()), 4, 3);
            qreal bottom = 0;
            for (int i = 0; i < children.size(); ++i)
                bottom = std::max(bottom, origins[i].y() + children[i].height());
            QCOMPARE(bottom, measured.height());
        }
    }

    void flowItemPlacesItsQmlChildren() {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import Aru
            FlowLayout {
                width: 160
                Rectangle { width: 50; height: 20 }
                Rectangle { width: 50; height: 30 }
                Rectangle { id: hidden; width: 500; height: 500; visible: false }
                Repeater { model: 1; Rectangle { width: 50; height: 10 } }
            })",
                          QUrl());
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        auto* flow = qobject_cast<FlowLayout*>(object.get());
        QVERIFY(flow);
        QQuickWindow window;
        flow->setParentItem(window.contentItem());
        window.show();

        const auto children = flow->childItems();
        QCOMPARE(children.size(), 5);
        // A Repeater puts what it makes before itself.
        QQuickItem* repeated = children[3];
        QCOMPARE(repeated->height(), 10.0);
        QTRY_COMPARE(flow->implicitHeight(), 30.0 + 6 + 10);
        QCOMPARE(children[0]->position(), QPointF(0, 0));
        QCOMPARE(children[1]->position(), QPointF(56, 0));
        QCOMPARE(repeated->position(), QPointF(0, 36));
        QCOMPARE(flow->implicitWidth(), 50.0 + 6 + 50 + 6 + 50);

        // A child growing pushes its followers to the next line.
        children[0]->setWidth(120);
        QTRY_COMPARE(children[1]->position(), QPointF(0, 26));
        QCOMPARE(repeated->position(), QPointF(56, 26));
    }

    // DownloadRing ---------------------------------------------------------------------------

    void ringArc_data() {
        QTest::addColumn<std::optional<double>>("progress");
        QTest::addColumn<qreal>("fraction");
        QTest::newRow("below the sliver") << std::optional<double>(0.01) << 0.03;
        QTest::newRow("half") << std::optional<double>(0.5) << 0.5;
        QTest::newRow("beyond done stays a circle") << std::optional<double>(1.7) << 1.0;
        QTest::newRow("NaN treated as nothing done")
            << std::optional<double>(std::numeric_limits<double>::quiet_NaN()) << 0.03;
        QTest::newRow("unknown extent: the turning arc") << std::optional<double>() << 0.28;
    }
    void ringArc() {
        QFETCH(std::optional<double>, progress);
        QFETCH(qreal, fraction);
        QCOMPARE(DownloadRing::arcFraction(progress), fraction);
    }

    void ringPercentFigure_data() {
        QTest::addColumn<double>("progress");
        QTest::addColumn<int>("figure");
        QTest::newRow("floored") << 0.426 << 42;
        QTest::newRow("almost done is not done") << 0.999 << 99;
        QTest::newRow("done") << 1.0 << 100;
        // 0.29 * 100 is 28.999999999999996 in binary; the figure must still read 29.
        QTest::newRow("binary fraction") << 0.29 << 29;
    }
    void ringPercentFigure() {
        QFETCH(double, progress);
        QFETCH(int, figure);
        QCOMPARE(DownloadRing::percentFigure(progress), figure);
    }

    void ringRectIsInsetByHalfTheStroke() {
        QCOMPARE(DownloadRing::ringRect(QSizeF(20, 20), 1.6), QRectF(0.8, 0.8, 18.4, 18.4));
        // Not square: the largest centred square.
        QCOMPARE(DownloadRing::ringRect(QSizeF(40, 20), 2), QRectF(11, 1, 18, 18));
    }

    void ringAnimatesProgressChangesOverAFifthOfASecond() {
        DownloadRing ring;
        ring.setProgress(0.2);
        QCOMPARE(ring.shownFraction(), 0.2); // a first value is shown at once
        QCOMPARE(ring.arcRotation(), -90.0);
        ring.setProgress(0.6);
        QVERIFY(ring.shownFraction() < 0.6);
        QTest::qWait(DownloadRing::progressAnimationMs / 4);
        QVERIFY(ring.shownFraction() > 0.2 && ring.shownFraction() < 0.6);
        QTRY_COMPARE_WITH_TIMEOUT(ring.shownFraction(), 0.6, 1000);
    }

    void indeterminateRingTurnsClockwiseWhileShown() {
        DownloadRing offScreen;
        QTest::qWait(50);
        QVERIFY(!offScreen.spinning());
        QCOMPARE(offScreen.arcRotation(), -90.0);

        QQuickWindow window;
        DownloadRing ring(window.contentItem());
        QVERIFY(!ring.progress());
        window.show();
        QTRY_VERIFY(ring.spinning());
        QCOMPARE(ring.shownFraction(), 0.28);
        // Sampled over a fraction of a turn, the start angle only grows (clockwise), from 12
        // o'clock.
        qreal previous = ring.arcRotation();
        QVERIFY(previous >= -90);
        bool moved = false;
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(100);
            const qreal now = ring.arcRotation();
            QVERIFY(now >= -90 && now < 270);
            if (now < previous) // wrapped around after a whole turn
                QVERIFY(previous - now > 180);
            moved = moved || now != previous;
            previous = now;
        }
        QVERIFY(moved);

        // A measured progress replaces the turning arc, starting at 12 o'clock again.
        ring.setProgress(0.4);
        QCOMPARE(ring.arcRotation(), -90.0);
        QCOMPARE(ring.shownFraction(), 0.4);
        QTest::qWait(100);
        QCOMPARE(ring.arcRotation(), -90.0);
        QVERIFY(ring.spinning()); // once set, never cleared
    }

    void ringReadsUndefinedAndNullAsUnknownExtent() {
        DownloadRing ring;
        ring.setProperty("progress", 0.5);
        QCOMPARE(ring.progress(), std::optional<double>(0.5));
        ring.setProperty("progress", QVariant());
        QVERIFY(!ring.progress());
        ring.setProperty("progress", QVariant::fromValue(nullptr));
        QVERIFY(!ring.progress());
    }

    // FolderHandleIcon -------------------------------------------------------------------------

    void openFolderOutlines() {
        // An open back wall with its tab and a closed front flap, inside the 5-point inset.
        const auto outlines = FolderHandleIcon::openOutlines(QSizeF(28, 28));
        QCOMPARE(outlines.size(), 2);
        QVERIFY(!outlines[0].closed && outlines[0].points.size() == 8);
        QVERIFY(outlines[1].closed && outlines[1].points.size() == 4);
        for (const auto& outline : outlines)
            for (const QPointF& point : outline.points)
                QVERIFY(QRectF(5, 5, 18, 18).contains(point));
        QCOMPARE(outlines[1].points[2], QPointF(23, 23)); // the flap's bottom edge
        QCOMPARE(outlines[1].points[3], QPointF(5, 23));
    }
};

ARU_TEST_MAIN(SharedWidgetsTest)
#include "tst_shared_widgets.moc"
