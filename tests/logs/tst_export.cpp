// The four exports against a real database: the text format byte for byte, the period
// bounds, the path checks, the existing-file question, the customer option columns, the
// workbooks read back by independent readers, the row limit and a failure half-way.

#include "ExportFixture.h"
#include "WorkbookReadBack.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/Cp932.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/DatabaseError.h"
#include "db/TdmCmn.h"
#include "logs/DataExporter.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QDate kDay(2024, 5, 6);
const QString kCallsTitle =
    QStringLiteral("発着信履歴データ（2024年05月06日～2024年05月06日）   作成日時：2024/05/08 09:10:11");

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray sjisLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += Cp932::encode(l) + "\r\n";
    return out;
}
} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void callLogTextByteForByte_data();
    void callLogTextByteForByte();
    void responsesIncludeMissingCustomers();
    void customerListWithOptionColumnsAcrossBlocks();
    void customerBlockStatements_data();
    void customerBlockStatements();
    void phoneBookText();
    void storedBytesWrittenAsConverted_data();
    void storedBytesWrittenAsConverted();
    void pathChecksInOrder_data();
    void pathChecksInOrder();
    void existingFileQuestion_data();
    void existingFileQuestion();
    void callLogXlsReadBack();
    void customerXlsAndXlsxReadBack_data();
    void customerXlsAndXlsxReadBack();
    void rowLimitRefusesBeforeWriting_data();
    void rowLimitRefusesBeforeWriting();
    void failureHalfWayLeavesOldFile();
    void stopLeavesNothing();
    void staleTemporariesOfKilledExportsGo();

private:
    DataExporter::Outcome run(ExportKind kind, const QString& name, bool removeLineBreaks = true);
    QString out(const QString& name) const { return FOut.filePath(name); }

    TestEnv FEnv;
    std::unique_ptr<TempDb> FDb;
    QTemporaryDir FOut;
};

void TestExport::initTestCase()
{
    FDb = std::make_unique<TempDb>();
    FillExportDatabase(FDb->dm());
    gTraceOn = true;
}

void TestExport::init()
{
    Clock::setNow(QDateTime(QDate(2024, 5, 8), QTime(9, 10, 11)));
    MessageService::clearShown();
    MessageService::clearAnswers();
    FDb->dm().IBDatabase1.setStatementHook(nullptr);
}

DataExporter::Outcome TestExport::run(ExportKind kind, const QString& name, bool removeLineBreaks)
{
    DataExporter exporter(FDb->dm().IBDatabase1);
    ExportRequest r;
    r.kind = kind;
    r.path = name.startsWith(QLatin1Char('/')) ? name : out(name);
    r.first = kDay;
    r.last = kDay;
    r.removeLineBreaks = removeLineBreaks;
    return exporter.Run(r);
}

void TestExport::callLogTextByteForByte_data()
{
    QTest::addColumn<bool>("removeLineBreaks");
    QTest::addColumn<QString>("memo");
    QTest::newRow("line breaks kept") << false << QStringLiteral("\"一行目\r\n二行目\"");
    QTest::newRow("line breaks removed") << true << QStringLiteral("\"一行目二行目\"");
}

void TestExport::callLogTextByteForByte()
{
    QFETCH(bool, removeLineBreaks);
    QFETCH(QString, memo);
    QFile::remove(gCurLogFile);
    writeFile(out("calls.csv"), "old content"); // overwritten without a question
    QCOMPARE(run(ExportKind::Calls, QStringLiteral("calls.csv"), removeLineBreaks), DataExporter::Done);
    QVERIFY(MessageService::shownTexts().isEmpty());

    // From 00:00:00 of the day up to, not including, 00:00:00 of the next day.
    const QByteArray expected =
        sjisLines({QStringLiteral("発着信日時,電話番号,発着信区分,ポート,顧客名,通話終了日時,メモ"),
                   QStringLiteral("\"2024/05/06 00:00:00\",\"0312345678\",\"着信\",\"1\",\"山田 \"\"太郎\"\"\","
                                  "\"2024/05/06 00:05:00\",") +
                       memo,
                   QStringLiteral("\"2024/05/06 23:59:59\",\" \",\"発信\",\"\",\"\",\"\",\"\"")});
    QCOMPARE(readFile(out("calls.csv")), expected);

    const QString log = QString::fromUtf8(readFile(gCurLogFile));
    QVERIFY(log.contains(QStringLiteral("dmCmn.sqlWork2.SQL.Text=select count(LOG_NO) CNT from log g\\r\\nwhere "
                                        "g.DT_FROM >= '2024/05/06'\\r\\nand g.DT_FROM < '2024/05/07'\\r\\n")));
    QVERIFY(log.contains(QStringLiteral("dmCmn.sqlWork2.SQL.Text2=select g.DT_FROM,g.TEL_NO")));
}

void TestExport::responsesIncludeMissingCustomers()
{
    QCOMPARE(run(ExportKind::Responses, QStringLiteral("responses.txt"), false), DataExporter::Done);
    QCOMPARE(readFile(out("responses.txt")),
             sjisLines({QStringLiteral("顧客名,代表番号,着信番号,日時,区分,結果,対応者,件名,内容"),
                        QStringLiteral("\"山田 太郎\",\"03-1234-5678\",\"0312345678\",\"2024/05/06 10:00:00\","
                                       "\"区分１(ﾀﾞﾐｰ)\",\"結果２(ﾀﾞﾐｰ)\",\"管理者\",\"件名\",\"内容\r\n二行目\""),
                        QStringLiteral("\"\",\"\",\"\",\"2024/05/06 11:00:00\",\"\",\"\",\"\",\"顧客なし\",\"\""),
                        QStringLiteral("\"\",\"\",\"\",\"2024/05/06 12:00:00\",\"\",\"\",\"\",\"消えた顧客\",\"\"")}));
}

void TestExport::customerListWithOptionColumnsAcrossBlocks()
{
    QFile::remove(gCurLogFile);
    QCOMPARE(run(ExportKind::Customers, QStringLiteral("customers.csv")), DataExporter::Done);
    const QByteArray bytes = readFile(out("customers.csv"));
    const QStringList lines = Cp932::decode(bytes).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.value(0), QStringLiteral("顧客名,顧客カナ,生年月日,性別,代表番号,FAX番号,郵便番号,住所,地図URL,"
                                            "電子メール,ＨＰ,担当,備考,趣味,項目05"));
    QCOMPARE(lines.value(0).split(QLatin1Char(',')).size(), 15);
    QCOMPARE(lines.value(1), QStringLiteral("\"山田 太郎\",\"ヤマダ タロウ\",\"1980/01/02 00:00:00\",\"男\","
                                            "\"03-1234-5678\",\"03-1234-5679\",\"100-0001\",\"東京都千代田区\",\"\","
                                            "\"a@example.org\",\"\",\"管理者\",\"備考二行目\",\"釣り\",\"選択肢Ａ\""));
    QCOMPARE(lines.value(2), QStringLiteral("\"中間の顧客\",\"\",\"\",\"不明\",\"0312\",\"\",\"\",\"\",\"\",\"\",\"\","
                                            "\"\",\"\",\"\",\"\""));
    // A choice that does not exist is empty.
    QCOMPARE(lines.value(3), QStringLiteral("\"番号の大きい顧客\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
                                            "\"\",\"\",\"\",\"\""));
    QCOMPARE(lines.size(), 5); // three customers and the empty rest after the last CR LF
    // Three blocks for customer numbers up to 25000.
    QCOMPARE(QString::fromUtf8(readFile(gCurLogFile)).count(QStringLiteral("dmCmn.sqlWork2.SQL.Text2=select c.CUST_NAME")), 3);
}

void TestExport::customerBlockStatements_data()
{
    QTest::addColumn<int>("maxCustNo");
    QTest::addColumn<QStringList>("wheres");
    const QString all = QStringLiteral(" where c.DEL_DT is null order by c.CUST_NO");
    QTest::newRow("one number") << 1 << QStringList{all};
    QTest::newRow("exactly one block") << 10000 << QStringList{all};
    QTest::newRow("just over one block")
        << 10001
        << QStringList{QStringLiteral(" where c.DEL_DT is null and c.CUST_NO between 0 and 9999 order by c.CUST_NO"),
                       QStringLiteral(" where c.DEL_DT is null and c.CUST_NO >= 10000 order by c.CUST_NO")};
    QTest::newRow("three blocks")
        << 25000
        << QStringList{QStringLiteral(" where c.DEL_DT is null and c.CUST_NO between 0 and 9999 order by c.CUST_NO"),
                       QStringLiteral(" where c.DEL_DT is null and c.CUST_NO between 10000 and 19999 order by c.CUST_NO"),
                       QStringLiteral(" where c.DEL_DT is null and c.CUST_NO >= 20000 order by c.CUST_NO")};
}

void TestExport::customerBlockStatements()
{
    QFETCH(int, maxCustNo);
    QFETCH(QStringList, wheres);
    const QList<ExportOptionColumn> options{{2, QStringLiteral("趣味"), false}, {5, QStringLiteral("項目05"), true}};
    const QString head = QStringLiteral(
        "select c.CUST_NAME, c.CUST_KANA, c.BIRTH_DT, CASE c.SEX WHEN 0 then '不明' WHEN 1 then '男' WHEN 2 then '女' "
        "ELSE '' END AS SEX_NAME, c.CUST_TEL, c.FAX_NO, c.ZIP_CD, c.ADDRESS, c.MAP_URL, c.EMAIL, c.HP_URL, u.USERNM, "
        "c.OTHERS, c.OPTION_02, d05.DNAME as OPTION_05 from CUSTOMER c left join USER_M u on u.USERID = c.USERID left "
        "join OPTION_D_M d05 on d05.OPTION_ID = 5 and d05.DID = c.OPTION_05");
    QStringList expected;
    for (const QString& w : wheres)
        expected << head + w;
    QCOMPARE(ExportRules::CustomerBlockSql(options, maxCustNo), expected);
}

void TestExport::phoneBookText()
{
    QCOMPARE(run(ExportKind::PhoneBook, QStringLiteral("tels.csv")), DataExporter::Done);
    QCOMPARE(readFile(out("tels.csv")),
             sjisLines({QStringLiteral("電話番号,代表電話番号,名前,音声読上名"), QStringLiteral("\"0120000000\",\"\",\"\",\"\""),
                        QStringLiteral("\"0312345678\",\"0312345678\",\"山田 \"\"太郎\"\"\",\"やまだ\"")}));
}

void TestExport::storedBytesWrittenAsConverted_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<bool>("changes"); // whether reading and writing the text changes its bytes
    QTest::newRow("second code of a character") << QByteArray("8790") << true;
    QTest::newRow("extension with a preferred code") << QByteArray("ED40") << true;
    QTest::newRow("lead byte at the end") << QByteArray("8A9782") << true;
    QTest::newRow("lead byte before a quote") << QByteArray("8222") << true;
    QTest::newRow("unassigned code") << QByteArray("85408A97") << true;
    QTest::newRow("half-width kana, quotes, line break") << QByteArray("B1228A970D0A22") << false;
}

// Text is copied from the database to the file only where that gives the bytes of reading it
// and writing it again, and read for the workbook only where that gives the converter's text:
// the files must not change with the way they are made.
void TestExport::storedBytesWrittenAsConverted()
{
    QFETCH(QByteArray, hex);
    QFETCH(bool, changes);
    const QByteArray stored = QByteArray::fromHex(hex);
    const QString text = Cp932::decode(stored);
    QCOMPARE(Cp932::encode(text) != stored, changes);
    FDb->dm().ExecSql(
        QStringLiteral("insert into TELS (TEL_NO, CALLER) values ('0900000000', x'%1')").arg(QString::fromLatin1(hex)));
    QFile::remove(out("bytes.csv"));
    QFile::remove(out("bytes.xlsx"));
    const bool done = run(ExportKind::PhoneBook, QStringLiteral("bytes.csv")) == DataExporter::Done &&
                      run(ExportKind::PhoneBook, QStringLiteral("bytes.xlsx")) == DataExporter::Done;
    FDb->dm().ExecSql(QStringLiteral("delete from TELS where TEL_NO = '0900000000'"));
    QVERIFY(done);
    const ReadBook book = ReadWorkbook(out("bytes.xlsx"));
    QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
    QCOMPARE(book.value(5, 0).toString(), QStringLiteral("0900000000"));
    // The sheet keeps other control characters (the converter's substitute) as escapes.
    QString cell;
    const QString lines = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QChar c : lines)
        cell += c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\t')
                    ? QStringLiteral("_x%1_").arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'))
                    : QString(c);
    QCOMPARE(book.value(5, 2).toString(), cell);
    // The file's converter (not the shortcut for plain ASCII in Cp932::encode, which keeps
    // control characters the converter replaces).
    QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
    const QByteArray last =
        encoder.encode(QStringLiteral("\"0900000000\",\"\",\"") +
                       QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QStringLiteral("\",\"\"\r\n"));
    const QByteArray bytes = readFile(out("bytes.csv"));
    QVERIFY2(bytes.endsWith(last), bytes.toHex().constData());
}

void TestExport::pathChecksInOrder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("format");
    const QString dir = FOut.path();
    QTest::newRow("empty") << QString() << QStringLiteral("出力先を入力してください。") << -1;
    QTest::newRow("no folder") << QStringLiteral("/no/such/folder/a.csv") << QStringLiteral("出力先ディレクトリが見つかりません。") << -1;
    QTest::newRow("no folder before no extension") << QStringLiteral("/no/such/folder/a") << QStringLiteral("出力先ディレクトリが見つかりません。") << -1;
    QTest::newRow("bare name") << QStringLiteral("a.csv") << QStringLiteral("出力先ディレクトリが見つかりません。") << -1;
    QTest::newRow("no file name") << dir + QStringLiteral("/") << QStringLiteral("ファイル名を入力してください。") << -1;
    QTest::newRow("no extension") << dir + QStringLiteral("/a") << QStringLiteral("拡張子を入力してください。") << -1;
    QTest::newRow("empty extension") << dir + QStringLiteral("/a.") << QStringLiteral("拡張子を入力してください。") << -1;
    QTest::newRow("lower-case xls") << dir + QStringLiteral("/p.xls") << QString() << int(ExportFormat::Xls);
    QTest::newRow("xlsx") << dir + QStringLiteral("/p.XlSx") << QString() << int(ExportFormat::Xlsx);
    QTest::newRow("any other extension") << dir + QStringLiteral("/p.dat") << QString() << int(ExportFormat::Text);
}

void TestExport::pathChecksInOrder()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    QFETCH(int, format);
    DataExporter exporter(FDb->dm().IBDatabase1);
    const DataExporter::Outcome outcome = exporter.Run({ExportKind::Calls, path, kDay, kDay});
    if (message.isEmpty()) {
        QCOMPARE(outcome, DataExporter::Done);
        QCOMPARE(int(ExportRules::FormatOf(path)), format);
        QVERIFY(QFile::exists(path));
    } else {
        QCOMPARE(outcome, DataExporter::PathRejected);
        QCOMPARE(MessageService::shownTexts(), QStringList{message});
    }
}

void TestExport::existingFileQuestion_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<int>("answer");
    QTest::newRow("customers, OK") << int(ExportKind::Customers) << true << int(MsgResult::Ok);
    QTest::newRow("customers, Cancel") << int(ExportKind::Customers) << true << int(MsgResult::Cancel);
    QTest::newRow("phone book, OK") << int(ExportKind::PhoneBook) << true << int(MsgResult::Ok);
    QTest::newRow("phone book, Cancel") << int(ExportKind::PhoneBook) << true << int(MsgResult::Cancel);
    QTest::newRow("calls") << int(ExportKind::Calls) << false << 0;
    QTest::newRow("responses") << int(ExportKind::Responses) << false << 0;
}

void TestExport::existingFileQuestion()
{
    QFETCH(int, kind);
    QFETCH(bool, asks);
    QFETCH(int, answer);
    const QString path = out(QStringLiteral("existing.csv"));
    writeFile(path, "old");
    if (asks)
        MessageService::setNextAnswer(MsgResult(answer));
    const DataExporter::Outcome outcome = run(ExportKind(kind), path);
    if (asks) {
        QCOMPARE(MessageService::shown().value(0).text, DataExporter::OverwriteQuestion());
        QCOMPARE(int(MessageService::shown().value(0).buttons), int(MsgButtons::OkCancel));
    } else {
        QVERIFY(MessageService::shownTexts().isEmpty());
    }
    const bool cancelled = asks && MsgResult(answer) == MsgResult::Cancel;
    QCOMPARE(outcome, cancelled ? DataExporter::Cancelled : DataExporter::Done);
    QCOMPARE(readFile(path) == "old", cancelled);
}

void TestExport::callLogXlsReadBack()
{
    QCOMPARE(run(ExportKind::Calls, QStringLiteral("calls.xls")), DataExporter::Done);
    const ReadBook b = ReadWorkbook(out("calls.xls"));
    QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
    QCOMPARE(b.value(0, 0).toString(), kCallsTitle);
    QVERIFY(!b.has(1, 0));
    const QStringList captions{"発着信日時", "電話番号", "発着信区分", "ポート", "顧客名", "通話終了日時", "メモ"};
    for (int c = 0; c < captions.size(); ++c)
        QCOMPARE(b.value(2, c).toString(), captions.at(c));
    QCOMPARE(b.at(3, 0).type, QStringLiteral("date"));
    QCOMPARE(b.value(3, 0).toString(), QStringLiteral("2024/05/06 00:00:00"));
    QCOMPARE(b.at(3, 1).type, QStringLiteral("text"));
    QCOMPARE(b.at(3, 1).format, QStringLiteral("@"));
    QCOMPARE(b.value(3, 1).toString(), QStringLiteral("0312345678"));
    QCOMPARE(b.at(3, 3).type, QStringLiteral("number"));
    QCOMPARE(b.value(3, 3).toInt(), 1);
    QCOMPARE(b.value(3, 4).toString(), QStringLiteral("山田 \"太郎\""));
    QCOMPARE(b.value(3, 6).toString(), QStringLiteral("一行目\n二行目")); // kept, whatever the box says
    QCOMPARE(b.value(4, 0).toString(), QStringLiteral("2024/05/06 23:59:59"));
    QVERIFY(!b.has(4, 3)); // null port: an empty cell
    QVERIFY(!b.has(4, 5));
    QCOMPARE(b.rows, 5);
    const QMap<int, double> widths{{0, 16}, {1, 14}, {4, 20}, {6, 30}};
    for (auto it = widths.begin(); it != widths.end(); ++it)
        QCOMPARE(b.columns.value(it.key()).width, it.value());
    QCOMPARE(b.columns.value(1).format, QStringLiteral("@"));
    QCOMPARE(b.columns.value(0).format, QStringLiteral("General"));
}

void TestExport::customerXlsAndXlsxReadBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("xls") << QStringLiteral("customers.xls");
    QTest::newRow("xlsx") << QStringLiteral("customers.xlsx");
}

void TestExport::customerXlsAndXlsxReadBack()
{
    QFETCH(QString, name);
    QFile::remove(out(name));
    QCOMPARE(run(ExportKind::Customers, name), DataExporter::Done);
    const ReadBook b = ReadWorkbook(out(name));
    QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
    QCOMPARE(b.value(0, 0).toString(), QStringLiteral("顧客リスト  作成日時：2024/05/08 09:10:11"));
    QCOMPARE(b.value(2, 13).toString(), QStringLiteral("趣味"));
    QCOMPARE(b.value(2, 14).toString(), QStringLiteral("項目05"));
    QVERIFY(!b.has(2, 15));
    QCOMPARE(b.value(3, 0).toString(), QStringLiteral("山田 太郎"));
    QCOMPARE(b.at(3, 2).type, QStringLiteral("date"));
    QCOMPARE(b.value(3, 2).toString(), QStringLiteral("1980/01/02 00:00:00"));
    QCOMPARE(b.value(3, 4).toString(), QStringLiteral("03-1234-5678"));
    QCOMPARE(b.at(3, 4).format, QStringLiteral("@"));
    QCOMPARE(b.value(3, 12).toString(), QStringLiteral("備考\n二行目"));
    QCOMPARE(b.value(3, 14).toString(), QStringLiteral("選択肢Ａ"));
    QCOMPARE(b.value(5, 0).toString(), QStringLiteral("番号の大きい顧客"));
    QCOMPARE(b.rows, 6);
    const QList<double> widths{15, 15, 11, 6, 14, 14, 9, 25, 14, 14, 14, 12, 80};
    for (int c = 0; c < widths.size(); ++c) {
        // The .xlsx writer stores the width with the cell padding added (under one character).
        const double w = b.columns.value(c).width;
        QVERIFY2(w >= widths.at(c) && w < widths.at(c) + 1, qPrintable(QStringLiteral("column %1: %2").arg(c).arg(w)));
    }
    QCOMPARE(b.columns.value(4).format, QStringLiteral("@"));
    QCOMPARE(b.columns.value(5).format, QStringLiteral("@"));
}

void TestExport::rowLimitRefusesBeforeWriting_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("fits");
    QTest::newRow("last that fits") << 65533 << true;
    QTest::newRow("one more") << 65534 << false;
}

// The call log to the legacy workbook: more records than the sheet holds are refused like
// the customer list, before anything is written; text takes them all.
void TestExport::rowLimitRefusesBeforeWriting()
{
    QFETCH(int, rows);
    QFETCH(bool, fits);
    TempDb db;
    db.dm().ExecSql(QStringLiteral("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
                                   "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) VALUES (:i + 1, "
                                   "'2024/05/06 12:00:00', '03' || :i, '着信', 1); i = i + 1; END END")
                        .arg(rows));
    const QString path = out(QStringLiteral("limit.xls"));
    writeFile(path, "old");
    DataExporter exporter(db.dm().IBDatabase1);
    ExportRequest r{ExportKind::Calls, path, kDay, kDay};
    qint64 counted = -1;
    exporter.setCounted([&counted](qint64 total) { counted = total; });
    const DataExporter::Outcome outcome = exporter.Run(r);
    if (fits) {
        QCOMPARE(outcome, DataExporter::Done);
        QCOMPARE(counted, qint64(rows));
        QCOMPARE(exporter.recordsWritten(), qint64(rows));
        QVERIFY(readFile(path).startsWith("\xD0\xCF\x11\xE0"));
    } else {
        QCOMPARE(outcome, DataExporter::Refused);
        QCOMPARE(MessageService::shownTexts(), QStringList{ExportRules::RowLimitMessage(ExportFormat::Xls)});
        QCOMPARE(readFile(path), QByteArray("old"));
        QCOMPARE(counted, qint64(-1));
        r.path = out(QStringLiteral("limit.csv"));
        QCOMPARE(exporter.Run(r), DataExporter::Done);
        QCOMPARE(readFile(r.path).count("\r\n"), rows + 1);
    }
    QCOMPARE(QDir(FOut.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".limit")), QStringList());
}

// A database failure in the third block of customers: the message says what failed, the old
// file is as it was and no temporary file is left behind.
void TestExport::failureHalfWayLeavesOldFile()
{
    for (const QString& name : {QStringLiteral("half.csv"), QStringLiteral("half.xls"), QStringLiteral("half.xlsx")}) {
        const QString path = out(name);
        writeFile(path, "old");
        qint64 written = 0;
        FDb->dm().IBDatabase1.setStatementHook([](const QString& sql) {
            if (sql.contains(QStringLiteral("c.CUST_NO >= 20000")))
                throw DatabaseError(QStringLiteral("injected failure"));
        });
        DataExporter exporter(FDb->dm().IBDatabase1);
        exporter.setProgress([&written](qint64 done) {
            written = done;
            return true;
        });
        MessageService::setNextAnswer(MsgResult::Ok);
        ExportRequest r{ExportKind::Customers, path, kDay, kDay};
        try {
            exporter.Run(r);
            QFAIL("the failure did not come through");
        } catch (const AppError& e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("ファイル出力に失敗しました。出力先のファイルは変更されていません。")),
                     qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("injected failure")));
        }
        QCOMPARE(written, qint64(2)); // the first two blocks were written
        QCOMPARE(readFile(path), QByteArray("old"));
        QCOMPARE(QDir(FOut.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".half")), QStringList());
    }
}

void TestExport::stopLeavesNothing()
{
    const QString path = out(QStringLiteral("stopped.csv"));
    DataExporter exporter(FDb->dm().IBDatabase1);
    exporter.setProgress([](qint64 done) { return done < 1; });
    ExportRequest r{ExportKind::Calls, path, kDay, kDay};
    QCOMPARE(exporter.Run(r), DataExporter::Stopped);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(FOut.path()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".stopped")), QStringList());
}

// A killed export leaves its hidden temporary file; the next export into the folder removes
// such files once they are no longer being written, and nothing else.
void TestExport::staleTemporariesOfKilledExportsGo()
{
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    const QStringList stale{".killed.csv.AbC123", ".book.XLS.000000"};
    const QStringList kept{".recent.csv.XyZ789", ".notes.conf.abcdef", ".killed.csv.AbC12", "killed.csv.AbC123"};
    for (const QString& name : stale + kept) {
        writeFile(out(name), QByteArray());
        QFile f(out(name));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(name.startsWith(".recent") ? QDateTime::currentDateTime() : hourAgo,
                              QFileDevice::FileModificationTime));
    }
    QCOMPARE(run(ExportKind::Calls, QStringLiteral("next.csv")), DataExporter::Done);
    for (const QString& name : stale)
        QVERIFY2(!QFile::exists(out(name)), qPrintable(name));
    for (const QString& name : kept)
        QVERIFY2(QFile::exists(out(name)), qPrintable(name));
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
