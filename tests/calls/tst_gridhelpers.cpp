#include "ui/GridHelpers.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

class TestGridHelpers : public QObject
{
    Q_OBJECT
private slots:
    void selectionAndRows()
    {
        QTableWidget grid(50, 4);
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        for (int r = 0; r < 50; ++r)
            grid.setItem(r, 0, new QTableWidgetItem(QString::number(r)));

        GridHelpers::SelectCells(&grid, 1, 2, 2, 3);
        QCOMPARE(grid.selectedRanges().size(), 1);
        QCOMPARE(grid.selectedRanges().first().topRow(), 2);
        QCOMPARE(grid.selectedRanges().first().rightColumn(), 2);
        GridHelpers::ClearSelection(&grid);
        QVERIFY(grid.selectedRanges().isEmpty());
        QCOMPARE(grid.currentRow(), -1);

        // Below the view: it becomes the last visible row; above: the first.
        grid.setCurrentCell(40, 0, QItemSelectionModel::NoUpdate);
        GridHelpers::ScrollToCurrentRow(&grid);
        const QRect last = grid.visualRect(grid.model()->index(40, 0));
        QVERIFY(last.bottom() < grid.viewport()->height());
        const QRect next = grid.visualRect(grid.model()->index(41, 0));
        QVERIFY(next.bottom() >= grid.viewport()->height()); // 40 is the last one shown whole
        grid.setCurrentCell(5, 0, QItemSelectionModel::NoUpdate);
        GridHelpers::ScrollToCurrentRow(&grid);
        QCOMPARE(grid.rowAt(0), 5);

        QLineEdit editor;
        GridHelpers::PlaceOverCell(&grid, &editor, 6, 1);
        QCOMPARE(editor.geometry(), grid.visualRect(grid.model()->index(6, 1)));
        QVERIFY(editor.isVisible());

        GridHelpers::ClearRows(&grid);
        QCOMPARE(grid.rowCount(), 1);
        QVERIFY(!grid.item(0, 0));
    }
};

QTEST_MAIN(TestGridHelpers)
#include "tst_gridhelpers.moc"
