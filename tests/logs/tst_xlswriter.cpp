// The legacy workbook writer, read back by an independent reader (xlrd), and once converted
// by LibreOffice where it is installed.

#include "core/AppError.h"
#include "logs/XlsWriter.h"
#include "support/PeakMemory.h"
#include "WorkbookReadBack.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestXlsWriter : public QObject
{
    Q_OBJECT

private slots:
    void cellsOfEveryKindReadBack();
    void largeSheetSpansContinueRecordsAndExtendedAllocation();
    void memoryStaysSmallWhateverTheTexts();
    void emptyWorkbookOpens();
    void cellsOutOfOrderOrRangeAreRefused();
    void libreOfficeConvertsIt();

private:
    QTemporaryDir FDir;
};

void TestXlsWriter::cellsOfEveryKindReadBack()
{
    const QString path = FDir.filePath(QStringLiteral("kinds.xls"));
    XlsWriter w;
    w.open(path);
    w.setColumn(0, 16, false);
    w.setColumn(1, 14, true);
    w.setColumn(3, 30, false);
    w.writeText(0, 0, QStringLiteral("発着信履歴データ（2024年05月06日）"));
    w.writeText(2, 0, QStringLiteral("日時"));
    w.writeText(2, 1, QStringLiteral("電話番号"));
    w.writeDate(3, 0, QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    w.writeText(3, 1, QStringLiteral("0312345678"));
    w.writeNumber(3, 2, 60600);
    w.writeText(3, 3, QStringLiteral("一行目\n二行目 \"引用\" ①"));
    w.writeNumber(4, 2, -1.25);
    w.writeBlank(4, 3);
    w.writeText(5, 1, QString());
    w.close();

    const ReadBook b = ReadWorkbook(path);
    QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
    QCOMPARE(b.sheet, QStringLiteral("Sheet1"));
    QCOMPARE(b.rows, 6);
    QCOMPARE(b.value(0, 0).toString(), QStringLiteral("発着信履歴データ（2024年05月06日）"));
    QCOMPARE(b.value(2, 1).toString(), QStringLiteral("電話番号"));
    QCOMPARE(b.at(3, 0).type, QStringLiteral("date"));
    QCOMPARE(b.value(3, 0).toString(), QStringLiteral("2024/05/06 07:08:09"));
    QCOMPARE(b.at(3, 0).format, QStringLiteral("yyyy/mm/dd hh:mm:ss"));
    QCOMPARE(b.at(3, 1).type, QStringLiteral("text"));
    QCOMPARE(b.value(3, 1).toString(), QStringLiteral("0312345678"));
    QCOMPARE(b.at(3, 1).format, QStringLiteral("@"));
    QCOMPARE(b.at(3, 2).type, QStringLiteral("number"));
    QCOMPARE(b.value(3, 2).toDouble(), 60600.0);
    QCOMPARE(b.at(3, 2).format, QStringLiteral("General"));
    QCOMPARE(b.value(3, 3).toString(), QStringLiteral("一行目\n二行目 \"引用\" ①"));
    QCOMPARE(b.value(4, 2).toDouble(), -1.25);
    QCOMPARE(b.at(4, 3).type, QStringLiteral("blank"));
    QCOMPARE(b.value(5, 1).toString(), QString());
    QVERIFY(!b.has(4, 0));

    QCOMPARE(b.columns.value(0).width, 16.0);
    QCOMPARE(b.columns.value(0).format, QStringLiteral("General"));
    QCOMPARE(b.columns.value(1).width, 14.0);
    QCOMPARE(b.columns.value(1).format, QStringLiteral("@"));
    QCOMPARE(b.columns.value(3).width, 30.0);
    QVERIFY(!b.columns.contains(2));
}

// Every row of the sheet, with long texts that break the string table at many places (also
// inside a character run) and a file big enough to need allocation sectors beyond the
// header's.
void TestXlsWriter::largeSheetSpansContinueRecordsAndExtendedAllocation()
{
    const QString path = FDir.filePath(QStringLiteral("large.xls"));
    auto longText = [](int r) { return QStringLiteral("行%1").arg(r) + QString(1000 + r % 3001, QChar(0x3042 + r % 80)); };
    auto shortText = [](int r) { return QStringLiteral("短%1").arg(r % 1000); };
    XlsWriter w;
    w.open(path);
    for (int r = 0; r < XlsWriter::MaxRows; ++r) {
        w.writeNumber(r, 0, r);
        if (r % 32 == 0)
            w.writeText(r, 1, longText(r));
        if (r % 7 == 0)
            w.writeText(r, 2, shortText(r));
    }
    w.close();
    QVERIFY(QFile(path).size() > 109 * 128 * 512); // more than the header's allocation sectors cover

    const ReadBook b = ReadWorkbook(path);
    QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
    QCOMPARE(b.rows, XlsWriter::MaxRows);
    for (int r = 0; r < XlsWriter::MaxRows; ++r) {
        const bool ok = b.value(r, 0).toInt() == r && (r % 32 ? !b.has(r, 1) : b.value(r, 1).toString() == longText(r)) &&
                        (r % 7 ? !b.has(r, 2) : b.value(r, 2).toString() == shortText(r));
        if (!ok)
            QFAIL(qPrintable(QStringLiteral("row %1 read back wrong").arg(r)));
    }
}

// Tens of megabytes of distinct long texts: the writer's peak memory grows by a fraction of
// them (rows and strings go to disk as they come), and the file reads back.
void TestXlsWriter::memoryStaysSmallWhateverTheTexts()
{
    const PeakMemory peak;
    if (!peak.measurable())
        QSKIP("the peak memory cannot be reset here");
    const int rows = 20000, length = 1200; // 48 MB of UTF-16 text
    auto text = [length](int r) { return QString::number(r) + QString(length, QChar(0x3042 + r % 80)); };
    const QString path = FDir.filePath(QStringLiteral("remarks.xls"));
    {
        XlsWriter w;
        w.open(path);
        for (int r = 0; r < rows; ++r) {
            w.writeNumber(r, 0, r);
            w.writeText(r, 1, text(r));
        }
        w.close();
    }
    const qint64 grown = peak.grownKb();
    QVERIFY2(grown < qint64(rows) * length * 2 / 1024 / 4, qPrintable(QStringLiteral("peak grew by %1 KB").arg(grown)));
    QCOMPARE(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("remarks")),
             QStringList{QStringLiteral("remarks.xls")});

    const ReadBook b = ReadWorkbook(path);
    QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
    QCOMPARE(b.rows, rows);
    for (int r : {0, 1, rows / 2, rows - 1})
        QCOMPARE(b.value(r, 1).toString(), text(r));
}

void TestXlsWriter::emptyWorkbookOpens()
{
    const QString path = FDir.filePath(QStringLiteral("empty.xls"));
    XlsWriter w;
    w.open(path);
    w.close();
    const ReadBook b = ReadWorkbook(path);
    QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
    QCOMPARE(b.rows, 0);
}

void TestXlsWriter::cellsOutOfOrderOrRangeAreRefused()
{
    XlsWriter w;
    w.open(FDir.filePath(QStringLiteral("order.xls")));
    w.writeText(3, 2, QStringLiteral("a"));
    QVERIFY_THROWS_EXCEPTION(AppError, w.writeText(3, 2, QStringLiteral("same cell")));
    QVERIFY_THROWS_EXCEPTION(AppError, w.writeText(2, 5, QStringLiteral("earlier row")));
    QVERIFY_THROWS_EXCEPTION(AppError, w.writeNumber(XlsWriter::MaxRows, 0, 1));
    QVERIFY_THROWS_EXCEPTION(AppError, w.writeNumber(4, XlsWriter::MaxColumns, 1));
    w.writeText(4, 0, QStringLiteral("b"));
    w.close();
    QVERIFY(ReadWorkbook(FDir.filePath(QStringLiteral("order.xls"))).error.isEmpty());
}

void TestXlsWriter::libreOfficeConvertsIt()
{
    QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (office.isEmpty())
        QSKIP("LibreOffice is not installed");
    const QString path = FDir.filePath(QStringLiteral("office.xls"));
    XlsWriter w;
    w.open(path);
    w.writeText(0, 0, QStringLiteral("顧客名"));
    w.writeNumber(0, 1, 42);
    w.writeDate(0, 2, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
    w.close();
    QProcess p;
    p.start(office, {QStringLiteral("--headless"), QStringLiteral("-env:UserInstallation=file://") + FDir.filePath("lo"),
                     QStringLiteral("--convert-to"), QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
                     QStringLiteral("--outdir"), FDir.filePath(QStringLiteral("out")), path});
    QVERIFY(p.waitForFinished(120000));
    QFile csv(FDir.filePath(QStringLiteral("out/office.csv")));
    QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(QString::fromUtf8(p.readAllStandardError())));
    const QString line = QString::fromUtf8(csv.readAll()).trimmed();
    QVERIFY2(line.startsWith(QStringLiteral("顧客名,42,")), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("2024/01/02 03:04:05")), qPrintable(line));
}

QTEST_GUILESS_MAIN(TestXlsWriter)
#include "tst_xlswriter.moc"
