// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/gridmodel.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QFont>
#include <QSignalSpy>
#include <QTest>

namespace {

bool boldHeader(const GridModel &model, int column)
{
    return model.headerData(column, Qt::Horizontal, Qt::FontRole).value<QFont>().bold();
}

bool boldCell(const GridModel &model, int column, int point)
{
    return model.data(model.index(point - 1, column), Qt::FontRole).value<QFont>().bold();
}

} // namespace

// The window's document seen as the grid's table model.
class TestGridModel : public QObject
{
    Q_OBJECT

private slots:
    void replacingTheDocumentAnnouncesOnlyWhatDiffers()
    {
        GridModel model;
        const QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setDocument(Document::atStart(0));
        QSignalSpy cells(&model, &GridModel::dataChanged);
        QSignalSpy headers(&model, &GridModel::headerDataChanged);
        QSignalSpy settings(&model, &GridModel::settingsChanged);

        model.setDocument(model.document());
        QCOMPARE(cells.count() + headers.count() + settings.count(), 0);

        Document next = model.document();
        next.cell(2, 5) = QStringLiteral("17");
        next.cell(3, 5) = QStringLiteral("18");
        next.cell(4, 7) = QStringLiteral("12.3");
        next.FirmwarePath = QStringLiteral("CDI.asm"); // not shown: nothing to announce
        model.setDocument(next);
        QCOMPARE(cells.count(), 2);
        QCOMPARE(cells.at(0).at(0).toModelIndex(), model.index(4, 2));
        QCOMPARE(cells.at(0).at(1).toModelIndex(), model.index(4, 3));
        QCOMPARE(cells.at(1).at(0).toModelIndex(), model.index(6, 4));
        QCOMPARE(cells.at(1).at(1).toModelIndex(), model.index(6, 4));
        QCOMPARE(headers.count() + settings.count(), 0);
        QCOMPARE(model.data(model.index(6, 4)).toString(), QStringLiteral("12.3"));

        next.settings.activeTable = QStringLiteral("2");
        model.setDocument(next);
        QCOMPARE(settings.count(), 1);
        QCOMPARE(headers.count(), 1);
        QCOMPARE(cells.count(), 2);
    }

    void editingRulesColoursAndHeaders()
    {
        GridModel model;
        const QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setDocument(Document::atStart(0));
        const auto editable = [&](int column, int point) {
            return model.flags(model.index(point - 1, column)).testFlag(Qt::ItemIsEditable);
        };
        QVERIFY(!editable(0, 1)); // the idle speed is fixed
        QVERIFY(editable(0, 2));
        for (int column = 1; column <= 3; ++column)
            QVERIFY(!editable(column, 9));
        QVERIFY(editable(4, 1));

        QCOMPARE(model.data(model.index(0, 4), Qt::BackgroundRole).value<QColor>(),
                 QColor(255, 255, 0));
        QVERIFY(!model.data(model.index(0, 3), Qt::BackgroundRole).isValid());

        // Typing goes into the document.
        QVERIFY(model.setData(model.index(31, 4), QStringLiteral("-")));
        QCOMPARE(model.document().cell(4, 32), QStringLiteral("-"));
        QCOMPARE(model.rowCount(), 32);

        // Only a table header with a caption is marked active.
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral(u"об/мин"));
        QVERIFY(!boldHeader(model, 1));
        model.setHeader(1, QStringLiteral(u"таб.1"));
        model.setHeader(2, QStringLiteral(u"таб.2"));
        QVERIFY(boldHeader(model, 1));
        QVERIFY(!boldHeader(model, 2));
        DocumentSettings settings = model.document().settings;
        settings.activeTable = QStringLiteral("2");
        QSignalSpy headers(&model, &GridModel::headerDataChanged);
        model.setSettings(settings);
        QCOMPARE(headers.count(), 1);
        QVERIFY(!boldHeader(model, 1));
        QVERIFY(boldHeader(model, 2));
        QVERIFY(!boldHeader(model, 0));
    }

    // What the firmware would do otherwise than the grid shows is marked from the cells as they
    // stand, after every change, with a note.
    void marksFollowTheCells()
    {
        GridModel model;
        const QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Document document = Document::atStart(1);
        for (int point = 1; point <= 32; ++point) {
            document.cell(1, point) = QStringLiteral("10"); // 13° at the sensor angle 20
            document.cell(2, point) = QStringLiteral("11");
            document.cell(4, point) = QStringLiteral("13");
        }
        model.setLanguage(1);
        model.setDocument(document);
        // The start breakpoints 9500 and 10000 share a compare constant, but belong to no file.
        QCOMPARE(model.note(0, 28), QString());
        document.loaded = true;
        model.setDocument(document);
        QVERIFY(model.note(0, 28).startsWith(QStringLiteral("Row 28 (10000 RPM) is not above")));
        QCOMPARE(model.data(model.index(14, 0), Qt::BackgroundRole), QVariant());
        QCOMPARE(model.boldRows(), QList<int>());

        // A breakpoint typed not above the one before it: orange with black text, both rows named.
        QSignalSpy cells(&model, &GridModel::dataChanged);
        model.setCell(0, 15, QStringLiteral("3400")); // row 14 is 3400 too
        QCOMPARE(model.data(model.index(14, 0), Qt::BackgroundRole).value<QColor>(),
                 GridModel::kUnorderedColour);
        QCOMPARE(model.data(model.index(14, 0), Qt::ForegroundRole).value<QColor>(),
                 QColor(Qt::black));
        const QString note = QStringLiteral("Row 15 (3400 RPM) is not above row 14 (3400 RPM) in "
                                            "the firmware's RPM steps: one of the two rows is "
                                            "never used");
        QCOMPARE(model.data(model.index(14, 0), Qt::ToolTipRole).toString(), note);
        QCOMPARE(model.data(model.index(14, 0), Qt::AccessibleDescriptionRole).toString(), note);
        QCOMPARE(cells.count(), 2);                 // the text, then its mark
        model.setCell(0, 15, QStringLiteral("34")); // out of range, still typed: the numbers
        QVERIFY(model.note(0, 15).startsWith(QStringLiteral("Row 15 (34 RPM) is not above")));
        model.setCell(0, 15, QStringLiteral("3400"));
        // Lowering the row before clears it; two speeds on one compare constant are marked.
        model.setCell(0, 14, QStringLiteral("3000"));
        QCOMPARE(model.note(0, 15), QString());
        model.setCell(0, 31, QStringLiteral("19500"));
        model.setCell(0, 32, QStringLiteral("19600"));
        QVERIFY(
            model.note(0, 32).startsWith(QStringLiteral("Row 32 (19600 RPM) is not above row 31")));
        QCOMPARE(model.note(0, 31), QString());

        // An angle that is not the angle of its stored code: italic, a corner mark, its note.
        model.setCell(4, 3, QStringLiteral("13.1"));
        model.setCell(4, 4, QStringLiteral("-"));
        QVERIFY(model.data(model.index(2, 4), Qt::FontRole).value<QFont>().italic());
        QVERIFY(!model.data(model.index(2, 4), Qt::FontRole).value<QFont>().bold());
        QCOMPARE(model.data(model.index(2, 4), GridModel::kStoredAngleRole).toBool(), true);
        QCOMPARE(model.data(model.index(4, 4), GridModel::kStoredAngleRole).toBool(), false);
        QCOMPARE(model.note(4, 3), QStringLiteral("stored as 13°"));
        QCOMPARE(model.note(4, 4), QStringLiteral("stored as 13°"));
        model.setLanguage(0);
        QLocale::setDefault(QLocale(QLocale::Russian));
        model.setCell(4, 3, QStringLiteral("12,7")); // table 2's code 11 is 12,3°
        DocumentSettings settings = model.document().settings;
        settings.activeTable = QStringLiteral("2");
        model.setSettings(settings);
        QCOMPARE(model.note(4, 3), QStringLiteral(u"записано как 12,3°"));
        QCOMPARE(model.note(4, 5), QStringLiteral(u"записано как 12,3°"));
        QLocale::setDefault(QLocale::c());
        model.setCell(4, 3, QStringLiteral("13"));
        settings.activeTable = QStringLiteral("1");
        model.setSettings(settings);
        document = model.document();
        document.cell(1, 4) = QStringLiteral("180");
        model.setDocument(document);
        QCOMPARE(model.note(4, 4), QString()); // "-" is what code 180 shows
        model.setCell(4, 4, QStringLiteral("13"));
        QCOMPARE(model.note(4, 4), QStringLiteral(u"записано без угла (-)"));
        QCOMPARE(model.note(4, 5), QString());

        // The angles that differ from a compared source are bold, as the cells and the active
        // table change.
        GridModel::Comparison theirs;
        theirs.codes[0].fill(QStringLiteral("10"));
        theirs.codes[1].fill(QStringLiteral("10"));
        theirs.codes[0][6] = QStringLiteral("11");
        model.setComparison(theirs);
        QCOMPARE(model.boldRows(), QList<int>({7}));
        QVERIFY(boldCell(model, 4, 7));
        model.setCell(4, 7, QStringLiteral("12.3"));
        QCOMPARE(model.boldRows(), QList<int>());
        settings.activeTable = QStringLiteral("2");
        model.setSettings(settings);
        QCOMPARE(model.boldRows(), QList<int>({7}));
        theirs.sensorAngle = QStringLiteral("21"); // their angles are one degree higher
        model.setComparison(theirs);
        QCOMPARE(model.boldRows().size(), 32);
        model.setComparison(std::nullopt);
        QCOMPARE(model.boldRows(), QList<int>());

        // The cell that stopped a handler as no number, until it reads as one.
        model.setCell(4, 9, QStringLiteral("1.2.3"));
        model.setUnreadableCell(QPoint(4, 9));
        QCOMPARE(model.data(model.index(8, 4), Qt::BackgroundRole).value<QColor>(),
                 GridModel::kUnreadableColour);
        QCOMPARE(model.note(4, 9), QStringLiteral(u"Строка 9 (2000 об/мин): \"1.2.3\" — не число"));
        model.setCell(4, 9, QStringLiteral("1.2"));
        QCOMPARE(model.unreadableCell(), std::nullopt);
        QCOMPARE(model.data(model.index(8, 4), Qt::BackgroundRole).value<QColor>(),
                 QColor(255, 255, 0));
    }
};

QTEST_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
