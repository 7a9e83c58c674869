// The grids' cell painting from text laid out once: the text a cell shows, cut at its edge,
// in the selection's colours, and never in a font the grid no longer uses.

#include "ui/GridTextDelegate.h"

#include <QHeaderView>
#include <QImage>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {
struct Grid
{
    QStandardItemModel model{2, 2};
    QTableView view;
    explicit Grid(QAbstractItemDelegate* delegate = nullptr)
    {
        model.setItem(0, 0, new QStandardItem(QStringLiteral("0312345678 とても長い顧客名の商店様")));
        model.setItem(1, 0, new QStandardItem(QStringLiteral("山田商店")));
        view.setModel(&model);
        view.setItemDelegate(delegate ? delegate : new GridTextDelegate(&view));
        view.verticalHeader()->hide();
        view.horizontalHeader()->hide();
        view.setColumnWidth(0, 60);
        view.setColumnWidth(1, 80);
        view.resize(200, 120);
        view.show();
    }
    QImage Shot()
    {
        QImage image(view.viewport()->size(), QImage::Format_RGB32);
        view.viewport()->render(&image);
        return image;
    }
    // Pixels of the rectangle that differ from its top-left pixel.
    static int Marks(const QImage& image, const QRect& r)
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += image.pixel(x, y) != image.pixel(r.topLeft());
        return n;
    }
};
} // namespace

class TestGridTextDelegate : public QObject
{
    Q_OBJECT
private slots:
    void paintsTextInsideItsCell()
    {
        Grid g;
        const QImage shot = g.Shot();
        const QRect first = g.view.visualRect(g.model.index(0, 0)), beside = g.view.visualRect(g.model.index(0, 1));
        QVERIFY(Grid::Marks(shot, first.adjusted(1, 1, -1, -1)) > 20);
        // The long text stops at the grid line: the empty cell beside it stays blank.
        QCOMPARE(Grid::Marks(shot, beside.adjusted(1, 1, -1, -1)), 0);
    }

    void memoLineBreaksShowAsBlanks()
    {
        // The same cell with a blank where the memo has a line break: drawn alike.
        Grid broken, blank;
        broken.model.setItem(1, 0, new QStandardItem(QStringLiteral("配達\r\n午前")));
        blank.model.setItem(1, 0, new QStandardItem(QStringLiteral("配達 午前")));
        QCOMPARE(broken.Shot(), blank.Shot());
    }

    void selectedRowInHighlightColours()
    {
        Grid g;
        g.view.setSelectionBehavior(QAbstractItemView::SelectRows);
        g.view.selectRow(1);
        const QImage shot = g.Shot();
        const QRect cell = g.view.visualRect(g.model.index(1, 0)).adjusted(1, 1, -1, -1);
        const QPalette& p = g.view.palette();
        int highlight = 0, text = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                highlight += c == p.color(QPalette::Inactive, QPalette::Highlight) ||
                             c == p.color(QPalette::Active, QPalette::Highlight);
                // Glyph edges are blended with the fill: near the colour is enough.
                const QColor t = p.color(QPalette::Inactive, QPalette::HighlightedText);
                text += qAbs(c.red() - t.red()) + qAbs(c.green() - t.green()) + qAbs(c.blue() - t.blue()) < 60;
            }
        QVERIFY2(highlight > cell.width() * cell.height() / 2, "the selected cell is filled with the highlight");
        QVERIFY2(text > 0, "its text is drawn in the highlighted-text colour");
    }

    void followsTheGridsFont()
    {
        // A delegate that has laid its texts out in one font paints exactly as a fresh one
        // once the grid's font changes.
        Grid used;
        used.Shot();
        QFont larger = used.view.font();
        larger.setPointSize(larger.pointSize() * 2);
        used.view.setFont(larger);
        Grid fresh;
        fresh.view.setFont(larger);
        QCOMPARE(used.Shot(), fresh.Shot());
    }
};

QTEST_MAIN(TestGridTextDelegate)
#include "tst_gridtextdelegate.moc"
