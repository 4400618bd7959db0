// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "chart/chartwidget.h"

class TestChartWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void measuredRingsStandOutOnLightAndDarkPalettes();
    void markersInTheirColours();
    void stairsTakeTheColourOfThePointTheyLeadTo();
    void nothingLeadsToTheFirstPoint();
    void repaintsWhenTheSeriesChanges();
    void emptyChartPaintsTitleAndAxes();
    void longTitleWrapsInsteadOfLosingItsEnd();
    void titleAndDescriptionForScreenReaders();
    void forgetsADestroyedSeries();
    void backdropsWidenTheAxesAndBringTheLegend();
    void pointUnderTheMouseAndValueAtARow();
    void dragFollowsTheRuleAndReportsTheDrop();
    void timingLightTracesStandOutOnLightAndDarkPalettes();
};

static const QColor red(255, 0, 0);
static const QColor green(0, 128, 0);
static const QColor yellow(255, 255, 0);

static QImage paint(ChartWidget &w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

static QColor pixel(const QImage &image, QPointF at)
{
    return image.pixelColor(at.toPoint());
}

// Red and green breakpoints, then a yellow highlight on the red point of 3000 rpm.
static void fillSample(ChartSeries &s)
{
    s.add(1000, 10, QString(), kChartRed);
    s.add(2000, 10, QString(), kChartGreen);
    s.add(3000, 20, QString(), kChartRed);
    s.add(4000, 15, QString(), kChartRed);
    s.add(3000, 20, QString(), kChartYellow);
}

void TestChartWidget::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestChartWidget::markersInTheirColours()
{
    ChartSeries s;
    fillSample(s);
    QCOMPARE(s.points().at(3).colour, kChartYellow);
    ChartWidget w;
    w.setTitle(QStringLiteral("Advance"));
    w.setSeries(&s);
    w.resize(449, 505);
    const QImage image = paint(w);
    QCOMPARE(image.size(), QSize(449, 505));

    QCOMPARE(pixel(image, w.pointPosition(0)), red);
    QCOMPARE(pixel(image, w.pointPosition(1)), green);
    QCOMPARE(w.pointPosition(2), w.pointPosition(3));
    QCOMPARE(pixel(image, w.pointPosition(3)), yellow); // the highlight covers its red point
    QCOMPARE(pixel(image, w.pointPosition(4)), red);
    // Markers are 3 pixels across.
    const QPoint c = w.pointPosition(1).toPoint();
    for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
        QCOMPARE(image.pixelColor(c + d), green);
    const QPoint h = w.pointPosition(3).toPoint();
    for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
        QCOMPARE(image.pixelColor(h + d), yellow);
    QCOMPARE(w.pointPosition(5), QPointF(-1, -1));
    QCOMPARE(w.pointPosition(-1), QPointF(-1, -1));
}

void TestChartWidget::stairsTakeTheColourOfThePointTheyLeadTo()
{
    ChartSeries s;
    fillSample(s);
    ChartWidget w;
    w.setSeries(&s);
    w.resize(449, 505);
    const QImage image = paint(w);
    const QPoint p0 = w.pointPosition(0).toPoint();
    const QPoint p1 = w.pointPosition(1).toPoint();
    const QPoint p2 = w.pointPosition(2).toPoint();
    const QPoint p4 = w.pointPosition(4).toPoint();

    // Red 1000 -> green 2000: a level line at 10 degrees, in green.
    QCOMPARE(p0.y(), p1.y());
    QCOMPARE(image.pixelColor((p0.x() + p1.x()) / 2, p0.y()), green);
    // Green 2000 -> red 3000: level at 10 degrees, then up at 3000 rpm, in red.
    QCOMPARE(image.pixelColor((p1.x() + p2.x()) / 2, p1.y()), red);
    QVERIFY(p2.y() < p1.y() - 4);
    QCOMPARE(image.pixelColor(p2.x(), (p1.y() + p2.y()) / 2), red);
    // Yellow 3000 -> red 4000: level at 20 degrees, then down to 15, in red.
    QCOMPARE(image.pixelColor((p2.x() + p4.x()) / 2, p2.y()), red);
    QCOMPARE(image.pixelColor(p4.x(), (p2.y() + p4.y()) / 2), red);
    // No line runs straight from a point to the next one's corner.
    QVERIFY(image.pixelColor(p4.x() - 3, (p2.y() + p4.y()) / 2) != red);
}

void TestChartWidget::nothingLeadsToTheFirstPoint()
{
    ChartSeries s;
    s.add(5000, 10, QString(), kChartGreen);
    s.add(10000, 20, QString(), kChartGreen);
    ChartWidget w;
    w.setSeries(&s);
    w.resize(449, 505);
    const QImage image = paint(w);
    const QPoint first = w.pointPosition(0).toPoint();
    const QPoint frameLeftSameRow(first.x() - 20, first.y());
    QVERIFY(image.pixelColor(frameLeftSameRow) != green);
    QVERIFY(image.pixelColor(first.x() - 2, first.y()) != green);
    QVERIFY(image.pixelColor(first.x(), first.y() + 5) != green);
    QCOMPARE(image.pixelColor(first), green);
}

void TestChartWidget::repaintsWhenTheSeriesChanges()
{
    ChartSeries s;
    s.add(1000, 10, QString(), kChartRed);
    s.add(2000, 20, QString(), kChartRed);
    ChartWidget w;
    w.setSeries(&s);
    w.resize(449, 505);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Rescaling moves the old points: the chart follows the series, not a stale copy.
    const QPointF before = w.pointPosition(1);
    s.add(8000, 40, QString(), kChartGreen);
    QVERIFY(w.pointPosition(1) != before);
    QCOMPARE(pixel(paint(w), w.pointPosition(2)), green);
    s.clear();
    s.add(1000, 10, QString(), kChartGreen);
    QCOMPARE(pixel(paint(w), w.pointPosition(0)), green);
}

void TestChartWidget::emptyChartPaintsTitleAndAxes()
{
    ChartSeries s;
    for (ChartSeries *series : {static_cast<ChartSeries *>(nullptr), &s}) {
        ChartWidget w;
        w.setSeries(series);
        w.setTitle(QStringLiteral("Timing chart"));
        w.resize(449, 505);
        const QImage image = paint(w);
        QCOMPARE(image.size(), QSize(449, 505));
        QCOMPARE(w.pointPosition(0), QPointF(-1, -1));
        const QColor background = image.pixelColor(0, 0);
        // Some text in the top rows (the title) and a frame line crossing the middle row.
        int titlePixels = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 449; ++x)
                titlePixels += image.pixelColor(x, y) != background;
        QVERIFY(titlePixels > 20);
        int changes = 0;
        for (int x = 1; x < 449; ++x)
            changes += image.pixelColor(x, 250) != image.pixelColor(x - 1, 250);
        QVERIFY(changes >= 2);
        for (int y = 0; y < 505; ++y)
            for (int x = 0; x < 449; ++x) {
                const QColor c = image.pixelColor(x, y);
                QVERIFY(c != red && c != green && c != yellow);
            }
    }
}

// The lowest row holding title text, above the plot frame's top line. Columns left of 60 hold
// the Y labels and are not looked at.
static int titleBottom(const QImage &image)
{
    const QColor background = image.pixelColor(0, 0);
    int lastText = -1;
    for (int y = 0; y < image.height(); ++y) {
        int marked = 0;
        for (int x = 60; x < image.width(); ++x)
            marked += image.pixelColor(x, y) != background;
        if (marked > (image.width() - 60) * 9 / 10)
            return lastText;
        if (marked > 0)
            lastText = y;
    }
    return -1;
}

void TestChartWidget::longTitleWrapsInsteadOfLosingItsEnd()
{
    ChartSeries s;
    s.add(1000, 10, QString(), kChartRed);
    s.add(2000, 40, QString(), kChartRed);
    ChartWidget w;
    w.setSeries(&s);
    w.resize(449, 505);
    w.setTitle(QStringLiteral("Timing graph"));
    const QImage shortTitle = paint(w);
    const QPointF shortTop = w.pointPosition(1);
    const QString longText = QStringLiteral(
        "Timing graph, file: a_rather_long_firmware_name_for_testing.asm. Attention, with "
        "adjust resistor!");
    w.setTitle(longText);
    QCOMPARE(w.accessibleName(), longText);
    const QImage longTitle = paint(w);
    // The title takes a second line, and the plot moves down to make room for it.
    const int lineHeight = QFontMetrics(w.font()).height();
    QVERIFY(titleBottom(shortTitle) > 0);
    QVERIFY(titleBottom(longTitle) >= titleBottom(shortTitle) + lineHeight);
    QVERIFY(w.pointPosition(1).y() >= shortTop.y() + lineHeight);
    QCOMPARE(pixel(longTitle, w.pointPosition(1)), red);
}

void TestChartWidget::titleAndDescriptionForScreenReaders()
{
    ChartSeries s;
    ChartWidget w;
    w.setSeries(&s);
    QCOMPARE(w.accessibleDescription(), QStringLiteral("Step chart with no points"));
    w.setTitle(QStringLiteral("Advance, table 1"));
    QCOMPARE(w.title(), QStringLiteral("Advance, table 1"));
    QCOMPARE(w.accessibleName(), QStringLiteral("Advance, table 1"));
    s.add(1500, 12.5, QString(), kChartRed);
    QCOMPARE(w.accessibleDescription(),
             QStringLiteral("Step chart of 1 point, X from 1500 to 1500, Y from 12.5 to 12.5"));
    s.add(600, -2, QString(), kChartGreen);
    s.add(15000, 33.6, QString(), kChartRed);
    QCOMPARE(w.accessibleDescription(),
             QStringLiteral("Step chart of 3 points, X from 600 to 15000, Y from -2 to 33.6"));
    s.clear();
    QCOMPARE(w.accessibleDescription(), QStringLiteral("Step chart with no points"));
    w.setTitle(QString());
    QCOMPARE(w.accessibleName(), QString());
}

void TestChartWidget::forgetsADestroyedSeries()
{
    ChartWidget w;
    w.resize(449, 505);
    {
        ChartSeries s;
        s.add(1000, 10, QString(), kChartRed);
        w.setSeries(&s);
        QCOMPARE(w.series(), &s);
    }
    QCOMPARE(w.series(), nullptr);
    QCOMPARE(w.pointPosition(0), QPointF(-1, -1));
    QCOMPARE(w.accessibleDescription(), QStringLiteral("Step chart with no points"));
    QVERIFY(!paint(w).isNull());
}

void TestChartWidget::backdropsWidenTheAxesAndBringTheLegend()
{
    ChartSeries main;
    main.add(1000, 10, QString(), kChartRed);
    main.add(3000, 12, QString(), kChartRed);
    ChartSeries other;
    other.add(1000, 40, QString(), kChartRed);
    other.add(3000, 40, QString(), kChartRed);
    ChartWidget w;
    w.setSeries(&main);
    w.resize(449, 505);
    const int backdrop = w.addBackdrop(&other, 0x0000FF, Qt::SolidLine, QStringLiteral("Tab.2"));
    QVERIFY(w.legendShown());
    const QPointF low = w.pointPosition(1);
    QImage image = paint(w);
    // The backdrop's level line at 40, halfway along, in a faint blue.
    int level = 0;
    for (int y = 0; y < w.height(); ++y) {
        if (std::abs(w.valueAtY(y) - 40) < std::abs(w.valueAtY(level) - 40))
            level = y;
    }
    const QPoint onLine((w.pointPosition(0).x() + low.x()) / 2, level);
    QVERIFY(std::abs(w.valueAtY(level) - 40) < 0.05);
    const QColor faint = pixel(image, onLine);
    // Blue let through by the background: not the full colour, not grey.
    QVERIFY2(faint.red() == faint.green() && faint.red() > 60 && faint.blue() > faint.red() + 80,
             qPrintable(faint.name()));

    w.setBackdropVisible(backdrop, false);
    QVERIFY(!w.legendShown());
    // Without the backdrop the axis ends near 12, so the point at 12 sits higher up.
    QVERIFY(w.pointPosition(1).y() < low.y() - 100);
    image = paint(w);
    const QColor hidden = pixel(image, onLine); // background or a grid line: no blue in it
    QCOMPARE(hidden.blue(), hidden.red());
    w.setBackdropVisible(backdrop, true);
    other.clear();
    QVERIFY(!w.legendShown()); // an empty backdrop names nothing
}

void TestChartWidget::pointUnderTheMouseAndValueAtARow()
{
    ChartSeries s;
    fillSample(s);
    ChartWidget w;
    w.setSeries(&s);
    w.resize(449, 505);
    const QPoint third = w.pointPosition(2).toPoint();
    QCOMPARE(w.pointAt(third), 2); // the red point, not the highlight after it
    QCOMPARE(w.pointAt(third + QPoint(3, 3)), 2);
    QCOMPARE(w.pointAt(third + QPoint(0, 40)), -1);
    QCOMPARE(w.pointAt(w.pointPosition(4).toPoint() + QPoint(-2, 1)), 4);
    for (int i = 0; i < 5; ++i) {
        const double y = w.valueAtY(w.pointPosition(i).toPoint().y());
        QVERIFY2(std::abs(y - s.points().at(i).y) < 0.05, qPrintable(QString::number(y)));
    }
}

void TestChartWidget::dragFollowsTheRuleAndReportsTheDrop()
{
    ChartSeries s;
    fillSample(s);
    ChartWidget w;
    w.setSeries(&s);
    w.resize(449, 505);
    // Whole numbers only; the green point stays.
    w.setDragRule([&s](int index, double y) -> std::optional<ChartWidget::DragTarget> {
        if (s.points().at(index).colour == kChartGreen)
            return std::nullopt;
        const double snapped = std::round(y);
        return ChartWidget::DragTarget{snapped, QString::number(snapped)};
    });
    QList<std::pair<int, double>> drops;
    connect(&w, &ChartWidget::pointDragged, &w, [&drops](int index, double y) {
        drops.append({index, y});
    });

    const QPoint green = w.pointPosition(1).toPoint();
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, green);
    QVERIFY(!w.dragging());
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, green);

    const QPoint from = w.pointPosition(4).toPoint(); // 15 at 4000 rpm
    const double perDegree = (w.pointPosition(0).y() - w.pointPosition(4).y()) / 5;
    QVERIFY(perDegree > 10);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, from);
    QVERIFY(w.dragging());
    QCOMPARE(w.dragText(), QStringLiteral("15"));
    const QPoint up2 = from - QPoint(0, int(std::lround(2 * perDegree)));
    QTest::mouseMove(&w, up2);
    QCOMPARE(w.dragText(), QStringLiteral("17"));
    // Drawn at 17, three degrees below the point at 20.
    QVERIFY(std::abs(w.pointPosition(4).y() - (w.pointPosition(2).y() + 3 * perDegree)) <= 1);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, up2);
    QVERIFY(!w.dragging());
    QCOMPARE(drops, (QList<std::pair<int, double>>{{4, 17.0}}));
    // The series itself is the caller's to change.
    QCOMPARE(s.points().at(4).y, 15.0);
    QCOMPARE(w.pointPosition(4).toPoint(), from);
}

// WCAG relative luminance and contrast ratio of two colours.
static double luminance(const QColor &c)
{
    const auto channel = [](double v) {
        v /= 255;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

static double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void TestChartWidget::timingLightTracesStandOutOnLightAndDarkPalettes()
{
    ChartSeries steps;
    steps.add(1000, 10, QString(), kChartRed);
    steps.add(5000, 30, QString(), kChartRed);
    ChartWidget w;
    w.setSeries(&steps);
    w.resize(449, 505);
    QSignalSpy changed(&w, &ChartWidget::tracesChanged);
    w.setTraces({{QStringLiteral("2000"), {{1500, 9}, {4000, 28}}},
                 {QStringLiteral("10000"), {{2000, 8}, {2500, 40}}},
                 {QStringLiteral("30000"), {{3000, 5}, {4800, 26}}}});
    QCOMPARE(changed.size(), 1);
    QVERIFY(!w.traceView()); // set, not shown until the view is switched on
    const QImage steady = paint(w);
    w.setTraceView(true);
    QVERIFY(w.traceView());
    QVERIFY(w.legendShown());
    // The axes take in the point at 40 degrees, above every step.
    QVERIFY(std::abs(w.valueAtY(int(w.tracePosition(1, 1).y())) - 40) < 0.2);
    QVERIFY(pixel(steady, w.tracePosition(1, 1)) != w.traceColour(1));

    for (const bool dark : {false, true}) {
        QPalette palette = w.palette();
        palette.setColor(QPalette::Base, dark ? QColor(0x20, 0x20, 0x20) : QColor(Qt::white));
        palette.setColor(QPalette::Text, dark ? QColor(0xE0, 0xE0, 0xE0) : QColor(Qt::black));
        w.setPalette(palette);
        const QImage image = paint(w);
        QCOMPARE(image.pixelColor(2, 2), palette.color(QPalette::Base));
        for (int t = 0; t < 3; ++t) {
            const QColor colour = w.traceColour(t);
            QVERIFY2(contrast(colour, palette.color(QPalette::Base)) >= 3.0,
                     qPrintable(colour.name()));
            for (int i = 0; i < 2; ++i) {
                const QPointF at = w.tracePosition(t, i);
                // The dot is 5 pixels across: its centre and the pixels beside it.
                QCOMPARE(pixel(image, at), colour);
                QCOMPARE(pixel(image, at + QPointF(2, 0)), colour);
                QCOMPARE(pixel(image, at + QPointF(0, -2)), colour);
            }
        }
    }

    // An edit of the table clears the overlay and the traces with it.
    w.clearOverlay();
    QCOMPARE(changed.size(), 2);
    QVERIFY(w.traces().isEmpty());
    QVERIFY(!w.traceView());
    QVERIFY(!w.legendShown());
}

void TestChartWidget::measuredRingsStandOutOnLightAndDarkPalettes()
{
    ChartSeries steps;
    steps.add(1000, 10, QString(), kChartRed);
    steps.add(5000, 30, QString(), kChartRed);
    ChartWidget w;
    w.setSeries(&steps);
    w.resize(449, 505);
    // Measured where the table says: the ring around the second point's marker.
    w.setOverlay({{5000, 30}}, QStringLiteral("table"), QStringLiteral("measured"));
    for (const bool dark : {false, true}) {
        QPalette palette = w.palette();
        palette.setColor(QPalette::Base, dark ? QColor(0x20, 0x20, 0x20) : QColor(Qt::white));
        palette.setColor(QPalette::Text, dark ? QColor(0xE0, 0xE0, 0xE0) : QColor(Qt::black));
        w.setPalette(palette);
        const QColor colour = w.overlayColour();
        QVERIFY2(contrast(colour, palette.color(QPalette::Base)) >= 3.0, qPrintable(colour.name()));
        const QImage image = paint(w);
        const QPointF at = w.pointPosition(1);
        int inColour = 0;
        for (int dy = -5; dy <= 5; ++dy) {
            for (int dx = -5; dx <= 5; ++dx)
                inColour += pixel(image, at + QPointF(dx, dy)) == colour;
        }
        QVERIFY2(inColour >= 4, qPrintable(QString::number(inColour)));
    }
}

QTEST_MAIN(TestChartWidget)
#include "tst_chartwidget.moc"
