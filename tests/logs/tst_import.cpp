// The import against real databases: reading (encodings, CSV quoting, vCard quirks), the
// plan with its refusals, the round trip of the program's own exports, hostile files that
// must leave the database as it was, and a stop half-way.

#include "core/AppGlobals.h"
#include "core/Cp932.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/BackupSet.h"
#include "db/TdmCmn.h"
#include "imports/ImportPlan.h"
#include "logs/DataExporter.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

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

// Users and option fields both databases of the round trip have: customers refer to them by name.
void fillMasters(TdmCmn& dm)
{
    for (const char* sql :
         {"insert into USER_M (USERID, USERNM) values ('u1', '佐藤')",
          "insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO) values (2, '趣味', 's', 2)",
          "insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO) values (5, '', 'm', 5)",
          "insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (5, '01', '選択肢Ａ', '1')",
          "insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (5, '02', '選択肢Ｂ', '2')"})
        dm.ExecSql(QString::fromUtf8(sql));
}

QStringList names(const QList<ImportNote>& notes)
{
    QStringList t;
    for (const ImportNote& n : notes)
        t << n.Text();
    return t;
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void encodingsDetected_data();
    void encodingsDetected();
    void csvQuotingAndLineNumbers();
    void vCardQuirks();
    void roundTripByteIdentical();
    void planCountsAndReasons();
    void duplicatesOfStoredCustomers_data();
    void duplicatesOfStoredCustomers();
    void vCardsBecomeCustomersAndPhoneBook();
    void hostileFilesLeaveTheDatabase_data();
    void hostileFilesLeaveTheDatabase();
    void stopRollsBackAndKeepsTheBackup();
    void mappingRememberedPerHeader();

private:
    ImportWriter::Outcome write(TempDb& db, const ImportPlan& plan, ImportTarget target,
                                std::function<bool(int, int, double)> progress = {});
    TestEnv FEnv;
    QTemporaryDir FFiles;
    std::unique_ptr<TempDb> FDb;
};

void TestImport::initTestCase()
{
    FDb = std::make_unique<TempDb>();
    fillMasters(FDb->dm());
}

void TestImport::init()
{
    MessageService::clearShown();
    FDb->dm().ExecSql(QStringLiteral("delete from CUSTOMER"));
    FDb->dm().ExecSql(QStringLiteral("delete from TELS"));
}

ImportWriter::Outcome TestImport::write(TempDb& db, const ImportPlan& plan, ImportTarget target,
                                        std::function<bool(int, int, double)> progress)
{
    ImportWriter w(db.dm());
    w.setBackup(db.path(), FFiles.filePath(QStringLiteral("backup")), 3);
    QDir().mkpath(FFiles.filePath(QStringLiteral("backup")));
    w.setProgress(std::move(progress));
    return w.Write(plan, target);
}

void TestImport::encodingsDetected_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<bool>("readable");
    const QString text = QStringLiteral("顧客名,代表番号\r\nｱｲｳ山田,03-1234-5678\r\n");
    QTest::newRow("Shift-JIS") << Cp932::encode(text) << "Shift-JIS" << true;
    QTest::newRow("UTF-8") << text.toUtf8() << "UTF-8" << true;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << "UTF-8 (BOM)" << true;
    QTest::newRow("mixed") << text.toUtf8() + Cp932::encode(text) << "Shift-JIS" << false;
    QTest::newRow("binary") << QByteArray("\x7F" "ELF\0\1\2", 7) << "" << false;
}

void TestImport::encodingsDetected()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, encoding);
    QFETCH(bool, readable);
    const ImportSource::Decoded d = ImportSource::Decode(bytes);
    QCOMPARE(d.encoding, encoding);
    QCOMPARE(d.problem.isEmpty(), readable);
    if (readable)
        QCOMPARE(d.text, QStringLiteral("顧客名,代表番号\r\nｱｲｳ山田,03-1234-5678\r\n"));
}

void TestImport::csvQuotingAndLineNumbers()
{
    const ImportSource::CsvTable t = ImportSource::ParseCsv(
        QStringLiteral("名前,メモ,番号\n\"a,b\",\"二\r\n行\",1\r\n\r\n\"\"\"q\"\"\",,2\nlast,x"));
    QCOMPARE(t.separator, QLatin1Char(','));
    QCOMPARE(t.header, QStringList({"名前", "メモ", "番号"}));
    QCOMPARE(t.records.size(), 3);
    QCOMPARE(t.records.at(0).fields, QStringList({"a,b", "二\r\n行", "1"}));
    QCOMPARE(t.records.at(0).line, 2);
    QCOMPARE(t.records.at(1).fields, QStringList({"\"q\"", "", "2"}));
    QCOMPARE(t.records.at(1).line, 5); // the quoted line break and the empty line count
    QCOMPARE(t.records.at(2).fields, QStringList({"last", "x"}));

    const ImportSource::CsvTable tabs = ImportSource::ParseCsv(QStringLiteral("a\tb,c\td\n1\t2,3\t4\n"));
    QCOMPARE(tabs.separator, QLatin1Char('\t'));
    QCOMPARE(tabs.records.at(0).fields, QStringList({"1", "2,3", "4"}));

    const ImportSource::CsvTable open = ImportSource::ParseCsv(QStringLiteral("a,b\n1,2\n\"3,4\n5,6\n"));
    QCOMPARE(open.records.size(), 2);
    QCOMPARE(open.records.at(1).line, 3);
    QVERIFY(!open.records.at(1).problem.isEmpty());
}

void TestImport::vCardQuirks()
{
    const QByteArray sjisName = Cp932::encode(QStringLiteral("山田太郎"));
    QByteArray qp;
    for (char c : sjisName)
        qp += '=' + QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0');
    const QByteArray file =
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" + qp.left(9) + "=\r\n" + qp.mid(9) + ";;;;\r\n"
        "X-PHONETIC-LAST-NAME;CHARSET=SHIFT_JIS:" + Cp932::encode(QStringLiteral("やまだ")) + "\r\nTEL;CELL:090-1111-2222\r\nTEL;WORK;VOICE:03-1234-5678\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\nVERSION:3.0\nFN:Jane\n  Doe\nitem1.TEL;TYPE=HOME:+81 3 9999 0000\nNOTE:a\\, b\\nc\n"
        "ADR;TYPE=WORK:;;1-2-3 丸の内;千代田区;東京都;100-0005;\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:4.0\nFN:Cut\nTEL;VALUE=uri;TYPE=\"voice,main\":tel:0120-000-000\n";
    // Cards of two phones: a Shift-JIS line among UTF-8 ones.
    const ImportSource::Decoded d = ImportSource::Decode(file);
    QVERIFY2(d.problem.isEmpty(), qPrintable(d.problem));
    QCOMPARE(d.encoding, QStringLiteral("UTF-8 / Shift-JIS"));
    const QList<ImportSource::VCard> cards = ImportSource::ParseVCards(d.text);
    QCOMPARE(cards.size(), 3);
    QCOMPARE(cards.at(0).family, QStringLiteral("山田太郎"));
    QCOMPARE(cards.at(0).phoneticFamily, QStringLiteral("やまだ"));
    QCOMPARE(cards.at(0).tels.size(), 2);
    QCOMPARE(cards.at(0).tels.at(1).types, QStringList({"WORK", "VOICE"}));
    QCOMPARE(cards.at(1).formattedName, QStringLiteral("Jane Doe"));
    QCOMPARE(cards.at(1).tels.at(0).number, QStringLiteral("+81 3 9999 0000"));
    QCOMPARE(cards.at(1).note, QStringLiteral("a, b\nc"));
    QCOMPARE(cards.at(1).address, QStringLiteral("東京都千代田区1-2-3 丸の内"));
    QCOMPARE(cards.at(1).postalCode, QStringLiteral("100-0005"));
    QCOMPARE(cards.at(2).tels.at(0).number, QStringLiteral("0120-000-000"));
    QVERIFY(cards.at(2).tels.at(0).types.contains(QStringLiteral("MAIN")));
    QVERIFY(!cards.at(2).problem.isEmpty()); // no END:VCARD
}

// Customers and the phone book, exported, imported into an empty database and exported again.
void TestImport::roundTripByteIdentical()
{
    TdmCmn& src = FDb->dm();
    for (int i = 0; i < 30; ++i)
        src.ExecSql(QStringLiteral("insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_KANA, BIRTH_DT, SEX, CUST_TEL, "
                                   "CUST_TEL_NON, FAX_NO, ZIP_CD, ADDRESS, EMAIL, USERID, OTHERS, OPTION_02, OPTION_05) "
                                   "values (%1, '顧客 \"%1\"', 'ｺｷｬｸ', %2, %3, '03-1234-%4', '03123%4', '', '100-0001', "
                                   "'東京都, 千代田区', 'a@example.org', %5, '一行目\r\n二行目', '釣り', %6)")
                        .arg(i + 1)
                        .arg(i % 3 ? QStringLiteral("'1980/01/%1'").arg(i % 28 + 1, 2, 10, QLatin1Char('0')) : QStringLiteral("null"))
                        .arg(i % 3)
                        .arg(1000 + i)
                        .arg(i % 2 ? QStringLiteral("'u1'") : QStringLiteral("''"))
                        .arg(i % 4 ? QStringLiteral("'0%1'").arg(i % 2 + 1) : QStringLiteral("''")));
    src.ExecSql(QStringLiteral("insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values ('0312341000', "
                               "'0312341000', '山田 \"太郎\"', 'やまだ')"));
    src.ExecSql(QStringLiteral("insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values ('09000000000', '', '', '')"));

    auto exportTo = [](TdmCmn& dm, ExportKind kind, const QString& path) {
        DataExporter e(dm.IBDatabase1);
        ExportRequest r;
        r.kind = kind;
        r.path = path;
        r.removeLineBreaks = false;
        r.askBeforeOverwrite = false;
        return e.Run(r) == DataExporter::Done;
    };
    const QString cust1 = FFiles.filePath(QStringLiteral("cust1.csv")), tels1 = FFiles.filePath(QStringLiteral("tels1.csv"));
    QVERIFY(exportTo(src, ExportKind::Customers, cust1));
    QVERIFY(exportTo(src, ExportKind::PhoneBook, tels1));

    TempDb empty;
    fillMasters(empty.dm());
    for (auto [path, target] : {std::pair{cust1, ImportTarget::Customers}, {tels1, ImportTarget::PhoneBook}}) {
        ImportPlanner planner(empty.dm());
        QVERIFY(planner.Load(path, target));
        ImportOptions o;
        o.target = target;
        const ImportPlan& plan = planner.Plan(o);
        QVERIFY2(plan.notes.isEmpty(), qPrintable(names(plan.notes).join('\n')));
        QCOMPARE(plan.newCount, target == ImportTarget::Customers ? 30 : 2);
        QCOMPARE(write(empty, plan, target), ImportWriter::Done);
    }
    const QString cust2 = FFiles.filePath(QStringLiteral("cust2.csv")), tels2 = FFiles.filePath(QStringLiteral("tels2.csv"));
    QVERIFY(exportTo(empty.dm(), ExportKind::Customers, cust2));
    QVERIFY(exportTo(empty.dm(), ExportKind::PhoneBook, tels2));
    QCOMPARE(readFile(cust2), readFile(cust1));
    QCOMPARE(readFile(tels2), readFile(tels1));
}

void TestImport::planCountsAndReasons()
{
    const QString path = FFiles.filePath(QStringLiteral("mapped.csv"));
    const QString longAddress = QString(110, QChar(0x6771)); // 220 bytes
    writeFile(path, (QStringLiteral("氏名,電話,住所,誕生日\n"
                                    "山田,03-1111-2222,東京,1980/02/03\n"
                                    "鈴木,,大阪,\n"
                                    "田中,0311112222,京都,\n"
                                    "佐藤😀,03-3333-4444,,\n"
                                    "高橋,03-5555-6666,") + longAddress + QStringLiteral(",\n"
                                    "伊藤,03-7777-8888,,2月30日\n")).toUtf8());
    ImportPlanner planner(FDb->dm());
    QVERIFY(planner.Load(path, ImportTarget::Customers));
    QCOMPARE(planner.layout(), ImportPlan::Layout::Mapped);
    const ImportMapping guess = ImportMappings::Recall(planner.header());
    QCOMPARE(guess.fields, QList<ImportField>({ImportField::Name, ImportField::Tel, ImportField::Address,
                                               ImportField::BirthDate}));
    ImportOptions o;
    const ImportPlan& plan = planner.Plan(o, guess);
    QCOMPARE(plan.newCount, 1);
    QCOMPARE(plan.refused, 5);
    QCOMPARE(names(plan.notes),
             QStringList({"3 行目: 電話番号がありません", "4 行目: 2 行目と同じ番号です（0311112222）",
                          "5 行目: 「顧客名」に登録できない文字（😀）が含まれています。",
                          "6 行目: 「住所」が長すぎます（220 バイト、200 バイトまで）",
                          "7 行目: 「生年月日」が日付ではありません（2月30日）"}));
    QCOMPARE(plan.rows.at(0).cust.CustTel, QStringLiteral("03-1111-2222"));
    QCOMPARE(plan.rows.at(0).cust.CustTelNon, QStringLiteral("0311112222"));
    QCOMPARE(plan.rows.at(0).cust.CustKana, QStringLiteral("ヤマダ")); // filled as the customer frame fills it

    o.allowCut = true;
    const ImportPlan& cut = planner.Plan(o, guess);
    QCOMPARE(cut.newCount, 2);
    QCOMPARE(cut.refused, 4);
    QVERIFY(names(cut.notes).contains("6 行目: （警告）「住所」が長すぎます（220 バイト、200 バイトまで）。切り詰めました"));
    QCOMPARE(write(*FDb, cut, ImportTarget::Customers), ImportWriter::Done);
    QCOMPARE(FDb->scalar(QStringLiteral("select ADDRESS from CUSTOMER where CUST_TEL_NON = '0355556666'")),
             QString(100, QChar(0x6771)));
}

void TestImport::duplicatesOfStoredCustomers_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("updated");
    QTest::addColumn<int>("duplicates");
    QTest::newRow("skip") << int(OnDuplicate::Skip) << "" << "元の名前" << 0 << 1;
    QTest::newRow("fill only empty fields") << int(OnDuplicate::Fill) << "新住所" << "元の名前" << 1 << 0;
    QTest::newRow("replace") << int(OnDuplicate::Replace) << "新住所" << "新しい名前" << 1 << 0;
}

void TestImport::duplicatesOfStoredCustomers()
{
    QFETCH(int, how);
    QFETCH(QString, address);
    QFETCH(QString, name);
    QFETCH(int, updated);
    QFETCH(int, duplicates);
    FDb->dm().ExecSql(QStringLiteral("insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_KANA, SEX, CUST_TEL, CUST_TEL_NON, "
                                     "ADDRESS) values (7, '元の名前', 'ﾓﾄ', 0, '03-1234-5678', '0312345678', '')"));
    const QString path = FFiles.filePath(QStringLiteral("dup.csv"));
    writeFile(path, QStringLiteral("名前,電話,住所\n新しい名前,(03) 1234-5678,新住所\n").toUtf8());
    ImportPlanner planner(FDb->dm());
    QVERIFY(planner.Load(path, ImportTarget::Customers));
    ImportOptions o;
    o.onDuplicate = OnDuplicate(how);
    const ImportPlan& plan = planner.Plan(o, ImportMappings::Recall(planner.header()));
    QCOMPARE(plan.updated, updated);
    QCOMPARE(plan.duplicates, duplicates);
    QCOMPARE(plan.newCount, 0);
    const ImportWriter::Outcome out = write(*FDb, plan, ImportTarget::Customers);
    QCOMPARE(out, updated ? ImportWriter::Done : ImportWriter::Nothing);
    QCOMPARE(FDb->scalar(QStringLiteral("select CUST_NAME from CUSTOMER where CUST_NO = 7")), name);
    QCOMPARE(FDb->scalar(QStringLiteral("select ADDRESS from CUSTOMER where CUST_NO = 7")), address);
    QCOMPARE(FDb->count(QStringLiteral("CUSTOMER")), 1);
    // Taking the same file again changes nothing.
    if (updated) {
        QCOMPARE(planner.Plan(o, ImportMappings::Recall(planner.header())).unchanged, 1);
    }
}

void TestImport::vCardsBecomeCustomersAndPhoneBook()
{
    const QString path = FFiles.filePath(QStringLiteral("contacts.vcf"));
    writeFile(path, QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:山田;太郎;;;\r\nFN:山田 太郎\r\n"
                               "X-PHONETIC-LAST-NAME:やまだ\r\nX-PHONETIC-FIRST-NAME:たろう\r\n"
                               "TEL;TYPE=CELL:090-1111-2222\r\nTEL;TYPE=WORK:03-1234-5678\r\nTEL;TYPE=FAX:03-1234-5679\r\n"
                               "EMAIL:t@example.org\r\nORG:山田商店\r\nEND:VCARD\r\n"
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:番号なし\r\nEND:VCARD\r\n"
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:同じ番号\r\nTEL:0312345678\r\nEND:VCARD\r\n"));
    ImportPlanner planner(FDb->dm());
    QVERIFY(planner.Load(path, ImportTarget::Customers));
    QCOMPARE(planner.layout(), ImportPlan::Layout::VCard);
    ImportOptions o;
    const ImportPlan& plan = planner.Plan(o);
    QCOMPARE(names(plan.notes), QStringList({"カード 2: 電話番号がありません", "カード 3: カード 1 と同じ番号です（0312345678）"}));
    QCOMPARE(write(*FDb, plan, ImportTarget::Customers), ImportWriter::Done);
    QCOMPARE(FDb->scalar(QStringLiteral("select CUST_KANA from CUSTOMER where CUST_TEL_NON = '0312345678'")),
             QStringLiteral("ヤマダ　タロウ"));
    QCOMPARE(FDb->scalar(QStringLiteral("select FAX_NO from CUSTOMER where CUST_TEL_NON = '0312345678'")),
             QStringLiteral("03-1234-5679"));
    QCOMPARE(FDb->scalar(QStringLiteral("select OTHERS from CUSTOMER where CUST_TEL_NON = '0312345678'")),
             QStringLiteral("山田商店"));
    QCOMPARE(FDb->scalar(QStringLiteral("select CUST_TEL_NON || '/' || CALLER from TELS where TEL_NO = '09011112222'")),
             QStringLiteral("0312345678/山田 太郎"));
}

void TestImport::hostileFilesLeaveTheDatabase_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("sparseSize");
    QTest::addColumn<QString>("problem"); // what the plan says of the file, or of its first note
    QString sql = QStringLiteral("名前,電話,住所\n");
    sql += QStringLiteral("\"'); delete from CUSTOMER; --\",0311112222,\"x' || (select 1 from rdb$database) || '\"\n");
    QTest::newRow("binary junk") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << qint64(0)
                                 << "文字のファイルではありません（NUL バイトを含みます）。";
    QTest::newRow("2 GB sparse file") << QByteArray() << qint64(2) * 1024 * 1024 * 1024
                                      << "ファイルが大きすぎます（512 MB 以下にしてください）。";
    QTest::newRow("one column") << QByteArray("メモ\nあ\nい\n") << qint64(0) << "2 行目: 電話番号がありません";
    QTest::newRow("no column known") << QByteArray("x\n1\n") << qint64(0) << "取り込む列が選ばれていません。";
    QTest::newRow("unbalanced quotes") << QByteArray("名前,電話\n\"山田,0311112222\n鈴木,0322223333\n") << qint64(0)
                                       << "2 行目: 引用符（\"）が閉じていません";
    QString wide;
    for (int i = 0; i < 10000; ++i)
        wide += (i ? QStringLiteral(",c") : QStringLiteral("c")) + QString::number(i);
    QTest::newRow("10,000 columns") << (wide + QStringLiteral("\n1\n")).toUtf8() << qint64(0)
                                    << "列が多すぎます（10000 列、1000 列まで）。";
    QTest::newRow("BOM in the middle") << QByteArray("名前,電話\n山田\xEF\xBB\xBF,0311112222\n") << qint64(0)
                                       << "2 行目: 「顧客名」に登録できない文字（\xEF\xBB\xBF）が含まれています。";
    QTest::newRow("mixed encodings") << QByteArray("名前,電話\n") + Cp932::encode(QStringLiteral("山田,0311112222\n"))
                                     << qint64(0)
                                     << "文字コードを判別できません（UTF-8 でも Shift-JIS でもない、または両方が混在しています）。";
    QTest::newRow("card without END:VCARD") << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:x\nTEL:0311112222\n") << qint64(0)
                                            << "カード 1: END:VCARD がありません";
    QTest::newRow("SQL in every field") << sql.toUtf8() << qint64(0) << "";
}

void TestImport::hostileFilesLeaveTheDatabase()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, sparseSize);
    QFETCH(QString, problem);
    FDb->dm().ExecSql(QStringLiteral("insert into CUSTOMER (CUST_NO, CUST_NAME, SEX, CUST_TEL, CUST_TEL_NON) values "
                                     "(1, '既存', 0, '0399999999', '0399999999')"));
    const QString path = FFiles.filePath(QStringLiteral("hostile.csv"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        if (sparseSize)
            QVERIFY(f.resize(sparseSize));
    }
    ImportPlanner planner(FDb->dm());
    planner.Load(path, ImportTarget::Customers);
    const ImportPlan& plan = planner.Plan(ImportOptions(), ImportMappings::Recall(planner.header()));
    QFile::remove(path);
    const QString said = plan.problem.isEmpty() ? names(plan.notes).value(0) : plan.problem;
    QCOMPARE(said, problem);
    const ImportWriter::Outcome out = write(*FDb, plan, ImportTarget::Customers);
    if (problem.isEmpty()) {
        // SQL is text like any other: stored as written, and nothing else happens.
        QCOMPARE(out, ImportWriter::Done);
        QCOMPARE(FDb->count(QStringLiteral("CUSTOMER")), 2);
        QCOMPARE(FDb->scalar(QStringLiteral("select CUST_NAME from CUSTOMER where CUST_TEL_NON = '0311112222'")),
                 QStringLiteral("'); delete from CUSTOMER; --"));
    } else {
        QCOMPARE(out, ImportWriter::Nothing);
        QCOMPARE(FDb->count(QStringLiteral("CUSTOMER")), 1);
    }
}

void TestImport::stopRollsBackAndKeepsTheBackup()
{
    QString csv = QStringLiteral("名前,電話\n");
    for (int i = 0; i < 500; ++i)
        csv += QStringLiteral("客%1,03-2000-%2\n").arg(i).arg(i, 4, 10, QLatin1Char('0'));
    const QString path = FFiles.filePath(QStringLiteral("stop.csv"));
    writeFile(path, csv.toUtf8());
    ImportPlanner planner(FDb->dm());
    QVERIFY(planner.Load(path, ImportTarget::Customers));
    const ImportPlan& plan = planner.Plan(ImportOptions(), ImportMappings::Recall(planner.header()));
    QCOMPARE(plan.newCount, 500);
    QList<int> seen;
    const int copiesBefore = int(BackupSet::List(FFiles.filePath(QStringLiteral("backup"))).size());
    const ImportWriter::Outcome out = write(*FDb, plan, ImportTarget::Customers, [&seen](int done, int total, double) {
        seen << done;
        return total == 500 && done < 300;
    });
    QCOMPARE(out, ImportWriter::Stopped);
    QCOMPARE(seen, QList<int>({100, 200, 300}));
    QCOMPARE(FDb->count(QStringLiteral("CUSTOMER")), 0);
    QCOMPARE(int(BackupSet::List(FFiles.filePath(QStringLiteral("backup"))).size()), qMin(copiesBefore + 1, 3));

    // Without a backup folder nothing is written at all.
    ImportWriter w(FDb->dm());
    w.setBackup(FDb->path(), QString(), 3);
    QCOMPARE(w.Write(plan, ImportTarget::Customers), ImportWriter::BackupFailed);
    QCOMPARE(w.failure(), ImportWriter::NoBackupFolderMessage());
    QCOMPARE(FDb->count(QStringLiteral("CUSTOMER")), 0);
}

void TestImport::mappingRememberedPerHeader()
{
    const QStringList header{QStringLiteral("会員名"), QStringLiteral("携帯"), QStringLiteral("メモ欄")};
    bool found = true;
    ImportMappings::Recall(header, &found);
    QVERIFY(!found);
    ImportMapping m;
    QString error;
    QVERIFY(ImportMapping::Parse(QStringLiteral("会員名=name,2=tel,メモ欄=option5"), header, &m, &error));
    ImportMappings::Remember(header, m);
    ImportMappings::Remember({QStringLiteral("other")}, ImportMapping{{ImportField::Email}});
    QCOMPARE(ImportMappings::Recall(header, &found).fields,
             QList<ImportField>({ImportField::Name, ImportField::Tel, ImportField(int(ImportField::Option1) + 4)}));
    QVERIFY(found);
    QVERIFY(!ImportMapping::Parse(QStringLiteral("無い列=name"), header, &m, &error));
    QCOMPARE(error, QStringLiteral("no such column: 無い列"));
    QVERIFY(!ImportMapping::Parse(QStringLiteral("携帯=phone"), header, &m, &error));
}

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
