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

    void boldRowsAreTheModelsFont()
    {
        GridModel model;
        const QAbstractItemModelTester tester(
            &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setDocument(Document::atStart(0));
        QSignalSpy cells(&model, &GridModel::dataChanged);
        model.setBoldRows(GridModel::kAngleColumn, {5, 9});
        QCOMPARE(cells.count(), 1);
        QCOMPARE(cells.at(0).at(2).value<QList<int>>(), QList<int>({Qt::FontRole}));
        QVERIFY(boldCell(model, 4, 5));
        QVERIFY(boldCell(model, 4, 9));
        QVERIFY(!boldCell(model, 4, 6));
        QVERIFY(!boldCell(model, 3, 5));
        model.setBoldRows(GridModel::kAngleColumn, {5, 9});
        QCOMPARE(cells.count(), 1);
        model.setBoldRows(GridModel::kAngleColumn, {});
        QVERIFY(!boldCell(model, 4, 5));
    }
};

QTEST_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
