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

    // The size a flow claims for a proposed width, and where it then places its children inside
    // bounds of that size (here away from the origin).
    void flowMeasuringAndPlacing_data() {
        QTest::addColumn<QList<QSizeF>>("children");
        QTest::addColumn<std::optional<qreal>>("proposed");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<QList<QPointF>>("origins"); // none: not placed
        const auto row = [](const char* name, const QList<QSizeF>& children,
                            std::optional<qreal> proposed, QSizeF size,
                            const QList<QPointF>& origins) {
            QTest::newRow(name) << children << proposed << size << origins;
        };
        row("no children, unlimited", {}, {}, {0, 0}, {});
        row("unlimited: one line, gaps between only", widths({40, 50, 60}), {},
            {40 + 6 + 50 + 6 + 60, 20}, {});
        row("short line still claims the proposed width", widths({40}), 500, {500, 20}, {{0, 0}});
        row("third of 50s wraps at 160", {{50, 20}, {50, 30}, {50, 10}}, 160, {160, 30 + 6 + 10},
            {{0, 0}, {56, 0}, {0, 36}});
        row("exact fit does not wrap", widths({50, 50}), 106, {106, 20}, {{0, 0}, {56, 0}});
        row("zero width: a line each", widths({10, 20, 30}), 0, {0, 3 * 20 + 2 * 6},
            {{0, 0}, {0, 26}, {0, 52}});
        row("first child wider than the line overflows on its own", widths({200, 30, 30}), 100,
            {100, 20 + 6 + 20}, {{0, 0}, {0, 26}, {36, 26}});
    }
    void flowMeasuringAndPlacing() {
        QFETCH(QList<QSizeF>, children);
        QFETCH(std::optional<qreal>, proposed);
        QFETCH(QSizeF, size);
        QFETCH(QList<QPointF>, origins);
        QCOMPARE(FlowLayout::sizeThatFits(children, proposed), size);
        if (origins.isEmpty())
            return;
        QList<QPointF> shifted;
        for (const QPointF& origin : origins)
            shifted << origin + QPointF(10, 5);
        QCOMPARE(FlowLayout::placeSubviews(children, QRectF(QPointF(10, 5), size)), shifted);
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
        // Where each lands is flowMeasuringAndPlacing's; here only that the item feeds the
        // visible children in order and lays them out again when one changes.
        QTRY_COMPARE(flow->implicitHeight(), 30.0 + 6 + 10);
        QCOMPARE(repeated->position(), QPointF(0, 36));
        QCOMPARE(flow->implicitWidth(), 50.0 + 6 + 50 + 6 + 50);

        // A child growing pushes its followers to the next line.
        children[0]->setWidth(120);
        QTRY_COMPARE(children[1]->position(), QPointF(0, 26));
        QCOMPARE(repeated->position(), QPointF(56, 26));
    }

    // DownloadRing ---------------------------------------------------------------------------

    // The arc drawn and the figure shown for each progress value.
    void ringReadings_data() {
        QTest::addColumn<std::optional<double>>("progress");
        QTest::addColumn<qreal>("fraction");
        QTest::addColumn<int>("figure"); // -1: none shown
        const auto row = [](const char* name, std::optional<double> progress, qreal fraction,
                            int figure) { QTest::newRow(name) << progress << fraction << figure; };
        row("below the sliver", 0.01, 0.03, 1);
        row("almost done is not done", 0.999, 0.999, 99);
        row("done", 1.0, 1.0, 100);
        row("beyond done stays a circle", 1.7, 1.0, 100);
        row("NaN treated as nothing done", std::numeric_limits<double>::quiet_NaN(), 0.03, 0);
        // 0.29 * 100 is 28.999999999999996 in binary; the figure must still read 29.
        row("binary fraction", 0.29, 0.29, 29);
        row("unknown extent: the turning arc", std::nullopt, 0.28, -1);
    }
    void ringReadings() {
        QFETCH(std::optional<double>, progress);
        QFETCH(qreal, fraction);
        QFETCH(int, figure);
        QCOMPARE(DownloadRing::arcFraction(progress), fraction);
        if (progress)
            QCOMPARE(DownloadRing::percentFigure(*progress), figure);
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
        ring.setProgress(0.6);
        QTest::qWait(DownloadRing::progressAnimationMs / 4);
        QVERIFY(ring.shownFraction() > 0.2 && ring.shownFraction() < 0.6);
        QTRY_COMPARE_WITH_TIMEOUT(ring.shownFraction(), 0.6, 1000);
        // From QML, undefined and null both mean an unknown extent.
        ring.setProperty("progress", QVariant());
        QVERIFY(!ring.progress());
        ring.setProperty("progress", 0.5);
        QCOMPARE(ring.progress(), std::optional<double>(0.5));
        ring.setProperty("progress", QVariant::fromValue(nullptr));
        QVERIFY(!ring.progress());
    }

    void indeterminateRingTurnsClockwiseWhileShown() {
        DownloadRing offScreen;
        QTest::qWait(50);
        QVERIFY(!offScreen.spinning());

        QQuickWindow window;
        DownloadRing ring(window.contentItem());
        window.show();
        QTRY_VERIFY(ring.spinning());
        QCOMPARE(ring.shownFraction(), 0.28);
        // Sampled over a fraction of a turn, the start angle only grows (clockwise) from 12
        // o'clock, wrapping around after a whole turn.
        qreal previous = ring.arcRotation();
        bool moved = false;
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(100);
            const qreal now = ring.arcRotation();
            QVERIFY(now >= -90 && now < 270 && (now >= previous || previous - now > 180));
            moved = moved || now != previous;
            previous = now;
        }
        QVERIFY(moved);
        // A measured progress replaces the turning arc, starting at 12 o'clock again.
        ring.setProgress(0.4);
        QTest::qWait(100);
        QCOMPARE(ring.arcRotation(), -90.0);
        QCOMPARE(ring.shownFraction(), 0.4);
    }

    // FolderHandleIcon -------------------------------------------------------------------------

    void openFolderOutlinesStayInsideTheInset() {
        // An open back wall and a closed front flap, drawn inside the 5-point inset.
        const auto outlines = FolderHandleIcon::openOutlines(QSizeF(28, 28));
        QCOMPARE(outlines.size(), 2);
        QVERIFY(!outlines[0].closed && outlines[1].closed);
        for (const auto& outline : outlines)
            for (const QPointF& point : outline.points)
                QVERIFY(QRectF(5, 5, 18, 18).contains(point));
    }
};

ARU_TEST_MAIN(SharedWidgetsTest)
#include "tst_shared_widgets.moc"
