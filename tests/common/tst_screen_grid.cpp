#include "common/screen_grid.h"

#include <QTest>

using namespace corvantile;

// Hand-worked: the parent's corner and the anchor times the scale give the origin, the first
// whole screen pixel at or after them; the widget starts on the layout pixel at or before the
// box and reaches just past it.
class tst_ScreenGrid : public QObject
{
    Q_OBJECT
private slots:
    void placesAndMaps_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QPoint>("parentAt");
        QTest::addColumn<QPoint>("anchor");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("widget");
        QTest::addColumn<QPointF>("inset");
        QTest::addColumn<int>("border"); // two layout pixels
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QRect>("repaint"); // of box pixels 0, 0 to 2, 2

        QTest::newRow("1, scrolled")
            << 1.0 << QPoint(5, 6) << QPoint() << QPoint(-10, -20) << QSize(1028, 772)
            << QRect(-10, -20, 1028, 772) << QPointF() << 2 << QPointF(20.5, 30.2) << QPoint(25, 44)
            << QRect(0, 0, 3, 3);
        QTest::newRow("1.25, clip box")
            << 1.25 << QPoint() << QPoint(543, 418) << QPoint() << QSize(103, 103)
            << QRect(543, 418, 83, 83) << QPointF(0.25, 0.5) << 2 << QPointF(550, 420)
            << QPoint(8, 2) << QRect(0, 0, 3, 3);
        QTest::newRow("1.5, view")
            << 1.5 << QPoint(5, 6) << QPoint() << QPoint() << QSize(100, 50) << QRect(0, 0, 67, 34)
            << QPointF(0.5, 0) << 3 << QPointF(10, 12) << QPoint(7, 9) << QRect(0, 0, 3, 2);
        QTest::newRow("1.75, scrolled")
            << 1.75 << QPoint(5, 6) << QPoint() << QPoint(-3, -7) << QSize(40, 40)
            << QRect(-2, -4, 24, 24) << QPointF(0.75, 0.5) << 3 << QPointF(5, 6) << QPoint(2, 6)
            << QRect(0, 0, 3, 2);
        QTest::newRow("2") << 2.0 << QPoint(5, 6) << QPoint() << QPoint() << QSize(20, 10)
                           << QRect(0, 0, 10, 5) << QPointF() << 4 << QPointF(5.5, 6.49)
                           << QPoint(1, 0) << QRect(0, 0, 2, 2);
        QTest::newRow("3") << 3.0 << QPoint(1, 1) << QPoint(1, 0) << QPoint(2, 2) << QSize(9, 9)
                           << QRect(1, 0, 4, 4) << QPointF(2, 2) << 6 << QPointF(3, 2)
                           << QPoint(1, 1) << QRect(0, 0, 2, 2);
    }

    void placesAndMaps()
    {
        QFETCH(qreal, scale);
        QFETCH(QPoint, parentAt);
        QFETCH(QPoint, anchor);
        QFETCH(QPoint, position);
        QFETCH(QSize, size);
        QFETCH(QPointF, pointer);
        QFETCH(QPoint, pixel);
        const ScreenGrid grid(scale, parentAt, anchor, position, size);
        QTEST(grid.widgetRect(), "widget");
        QTEST(grid.inset(), "inset");
        QTEST(grid.lineWidth(2), "border");
        QCOMPARE(grid.pixelAt(pointer), pixel);
        QTEST(grid.repaintRect(QRect(0, 0, 3, 3)), "repaint");
        // Anywhere inside a pixel maps back to it, though dividing by the scale rounds.
        for (const QPointF within : {QPointF(0, 0), QPointF(0.5, 0.5), QPointF(0.99, 0.99)})
            QCOMPARE(grid.pixelAt(grid.windowPoint(QPointF(pixel) + within)), pixel);
    }

    // An image control paints over the whole screen pixels its widget covers.
    void coversAWidget()
    {
        const ScreenGrid at15 = ScreenGrid::covering(1.5, QPoint(583, 212), QRect(0, 0, 46, 45));
        QCOMPARE(at15.size(), QSize(68, 67));
        QCOMPARE(at15.inset(), QPointF(0.5, 0));
        QCOMPARE(at15.lineWidth(1), 1);
        const ScreenGrid at125 = ScreenGrid::covering(1.25, QPoint(6, 14), QRect(0, 0, 46, 45));
        QCOMPARE(at125.size(), QSize(57, 55));
        QCOMPARE(at125.inset(), QPointF(0.5, 0.5));
    }
};

QTEST_APPLESS_MAIN(tst_ScreenGrid)
#include "tst_screen_grid.moc"
