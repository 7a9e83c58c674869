#include "db/InitialDatabase.h"

#include "core/AppError.h"
#include "core/Cp932.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/StorableText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

namespace {

// Text widths are in CP932 bytes, generous for names and numbers. TEL_MEMO, MAP_URL and
// LOG.PORT_NO are the widths of older files, which the schema upgrade widens.
const char* const kBaseTables[] = {
    "CREATE TABLE LOG (LOG_NO INTEGER NOT NULL PRIMARY KEY, DT_FROM DATE, TEL_NO VARCHAR(40), TEL_TYPE VARCHAR(10), "
    "DT_TO DATE, TEL_TERM VARCHAR(20), TEL_MEMO VARCHAR(1000), TEL_TIME DOUBLE PRECISION, PORT_NO SMALLINT)",
    "CREATE TABLE TELS (TEL_NO VARCHAR(40) NOT NULL PRIMARY KEY, CUST_TEL_NON VARCHAR(40), CALLER VARCHAR(100), "
    "READ_NAME VARCHAR(100), UPDT DATE)",
    "CREATE TABLE CUSTOMER (CUST_NO INTEGER NOT NULL PRIMARY KEY, CUST_NAME VARCHAR(100), CUST_KANA VARCHAR(100), "
    "BIRTH_DT DATE, SEX SMALLINT, CUST_TEL VARCHAR(40), CUST_TEL_NON VARCHAR(40), FAX_NO VARCHAR(40), FAX_NO_NON "
    "VARCHAR(40), ZIP_CD VARCHAR(20), ADDRESS VARCHAR(200), MAP_URL VARCHAR(255), EMAIL VARCHAR(100), HP_URL "
    "VARCHAR(255), USERID VARCHAR(8), OTHERS VARCHAR(4000), OPTION_01 VARCHAR(200), OPTION_02 VARCHAR(200), "
    "OPTION_03 VARCHAR(200), OPTION_04 VARCHAR(200), OPTION_05 VARCHAR(200), OPTION_06 VARCHAR(200), OPTION_07 "
    "VARCHAR(200), OPTION_08 VARCHAR(200), OPTION_09 VARCHAR(200), OPTION_10 VARCHAR(200), OPTION_11 VARCHAR(200), "
    "OPTION_12 VARCHAR(200), OPTION_13 VARCHAR(200), OPTION_14 VARCHAR(200), OPTION_15 VARCHAR(200), OPTION_16 "
    "VARCHAR(200), OPTION_17 VARCHAR(200), OPTION_18 VARCHAR(200), OPTION_19 VARCHAR(200), OPTION_20 VARCHAR(200), "
    "AVATER BLOB SUB_TYPE 0, DEL_DT DATE, UPDT DATE)",
    // Calls and phone-book entries find their customer by this column.
    "CREATE INDEX IDX_CUSTOMER_CUST_TEL_NON ON CUSTOMER (CUST_TEL_NON)",
    "CREATE TABLE INTERFACE (IF_NO INTEGER NOT NULL, IF_NAME VARCHAR(64), IF_TYPE VARCHAR(3) NOT NULL, EXEC_PATH "
    "VARCHAR(128), TEXT_PATH VARCHAR(128), COMMAND VARCHAR(128), CAPTION VARCHAR(128), START_REQ INTEGER, END_REQ "
    "INTEGER, EVERY_CLOSE CHAR(1), UPDT DATE, PRIMARY KEY (IF_NO))",
    "CREATE TABLE USER_M (USERID VARCHAR(8) NOT NULL PRIMARY KEY, USERNM VARCHAR(40), PASSWD VARCHAR(20), AUTH "
    "INTEGER, LISTID VARCHAR(8), FROMDT DATE, TODT DATE, DEL_DT DATE, UPDT DATE)",
    "CREATE TABLE OPTION_M (OPTION_ID SMALLINT NOT NULL PRIMARY KEY, DESP_NAME VARCHAR(40), FIELD_TYPE VARCHAR(1), "
    "LIST_NO INTEGER, DEL_DT DATE)",
    // The totals' work table: each attachment sees and clears only its own rows.
    "CREATE GLOBAL TEMPORARY TABLE PRINT1 (TEL_NO VARCHAR(100), CALLER VARCHAR(200), TOTAL INTEGER) ON COMMIT "
    "PRESERVE ROWS",
    "CREATE GENERATOR SEQ_LOG_NO",
    "CREATE GENERATOR SEQ_CUST_NO",
};

const char* const kPostalTables[][2] = {
    {"PREF_M", "CREATE TABLE PREF_M (PREF_CD VARCHAR(10) NOT NULL PRIMARY KEY, PREF_NAME VARCHAR(40))"},
    {"CITY_M", "CREATE TABLE CITY_M (CITY_CD VARCHAR(10) NOT NULL PRIMARY KEY, CITY_NAME VARCHAR(100))"},
    {"POST_M", "CREATE TABLE POST_M (POST_NO VARCHAR(10) NOT NULL, PREF_CD VARCHAR(10), CITY_CD VARCHAR(10), "
               "AREA_NAME VARCHAR(200))"},
    {"IDX_POST_M_POST_NO", "CREATE INDEX IDX_POST_M_POST_NO ON POST_M (POST_NO)"},
};

void attach(FbDatabase& db, const QString& path)
{
    db.setDatabaseName(path);
    db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                  QStringLiteral("lc_ctype=NONE")});
    db.setSqlDialect(1);
    db.open();
}

bool exists(FbDatabase& db, const QString& sql)
{
    FbQuery q(db);
    q.setSql(sql);
    q.open();
    const bool any = !q.eof();
    q.close();
    return any;
}

// Splits one CSV line (fields may be double-quoted, with doubled quotes inside).
QStringList splitCsv(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

// The file's lines as text. The file is UTF-8 when any line with bytes above ASCII is valid
// UTF-8 (Shift-JIS text hardly ever is), CP932 otherwise; a line that is not in the file's
// encoding comes back null, so that it is reported at its own line.
QStringList decodeLines(const QByteArray& bytes)
{
    const QList<QByteArray> raw = bytes.split('\n');
    bool utf8File = false;
    for (const QByteArray& line : raw) {
        bool ascii = true;
        for (const char c : line)
            if (uchar(c) >= 0x80) {
                ascii = false;
                break;
            }
        if (ascii)
            continue;
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)QString(utf8(line));
        if (!utf8.hasError()) {
            utf8File = true;
            break;
        }
    }
    QStringList lines;
    for (QByteArray line : raw) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (utf8File) {
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString text = utf8(line);
            lines << (utf8.hasError() ? QString() : text);
        } else {
            lines << Cp932::decode(line);
        }
    }
    return lines;
}

} // namespace

namespace InitialDatabase {

void Create(const QString& path, const QString& owner)
{
    const QFileInfo info(path);
    if (info.exists())
        throw AppError(QStringLiteral("%1 already exists; it is left as it is.").arg(path));
    if (!QDir().mkpath(info.absolutePath()))
        throw AppError(QStringLiteral("Cannot create the folder %1.").arg(info.absolutePath()));
    // The embedded engine takes the user name as given: the file belongs to owner.
    FbDatabase::createDatabase(info.absoluteFilePath(), owner, QStringLiteral("pinewoodx"));
    try {
        FbDatabase db;
        attach(db, info.absoluteFilePath());
        for (const char* sql : kBaseTables)
            db.execute(QLatin1String(sql));
        db.close();
    } catch (...) {
        // A half-built file would be taken for a good one by the next attempt.
        QFile::remove(info.absoluteFilePath());
        throw;
    }
}

int ImportPostalCsv(const QString& databasePath, const QString& csvPath, QStringList* skipped)
{
    QFile file(csvPath);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot read %1: %2").arg(csvPath, file.errorString()));
    const QStringList lines = decodeLines(file.readAll());

    FbDatabase db;
    attach(db, databasePath);
    for (const auto& table : kPostalTables) {
        const QString name = QLatin1String(table[0]);
        const bool present = name.startsWith(QLatin1String("IDX_"))
                                 ? exists(db, QStringLiteral("SELECT 1 FROM RDB$INDICES WHERE RDB$INDEX_NAME = '%1'").arg(name))
                                 : exists(db, QStringLiteral("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '%1'").arg(name));
        if (!present)
            db.execute(QLatin1String(table[1]));
    }

    static const QRegularExpression sevenDigits(QStringLiteral("^[0-9]{7}$"));
    QSet<QString> prefs;
    QSet<QString> cities;
    QStringList batch;
    int rows = 0;
    int lineNo = 0;
    // A bad row is skipped and named with its own line number; the good ones are loaded.
    const auto skip = [&](const QString& why) {
        const QString text = QStringLiteral("%1 line %2: %3").arg(csvPath).arg(lineNo).arg(why);
        WriteLog(QStringLiteral("ImportPostalCsv: skipped ") + text);
        if (skipped)
            *skipped << text;
    };
    for (const QString& line : lines) {
        ++lineNo;
        if (line.isNull()) {
            skip(QStringLiteral("not in the file's encoding (UTF-8)"));
            continue;
        }
        if (line.trimmed().isEmpty())
            continue;
        QStringList f = splitCsv(line);
        if (lineNo == 1 && !f.value(0).trimmed().contains(QRegularExpression(QStringLiteral("^[0-9]"))))
            continue; // header
        if (f.size() < 6) {
            skip(QStringLiteral("six columns expected, %1 found").arg(f.size()));
            continue;
        }
        for (QString& s : f)
            s = s.trimmed();
        const QString post = RemoveHyphens(f.at(0));
        if (!sevenDigits.match(post).hasMatch()) {
            skip(QStringLiteral("the postal code \"%1\" is not 7 digits").arg(f.at(0)));
            continue;
        }
        try {
            for (int i = 0; i < 6; ++i)
                CheckStorableText(QStringLiteral("%1 line %2").arg(csvPath).arg(lineNo), f.at(i));
        } catch (const AppError& e) {
            skip(e.message());
            continue;
        }
        if (!prefs.contains(f.at(1))) {
            prefs.insert(f.at(1));
            batch << QStringLiteral("update or insert into PREF_M (PREF_CD, PREF_NAME) values (%1, %2) matching (PREF_CD)")
                         .arg(QuotedSql(f.at(1)), QuotedSql(f.at(2)));
        }
        if (!cities.contains(f.at(3))) {
            cities.insert(f.at(3));
            batch << QStringLiteral("update or insert into CITY_M (CITY_CD, CITY_NAME) values (%1, %2) matching (CITY_CD)")
                         .arg(QuotedSql(f.at(3)), QuotedSql(f.at(4)));
        }
        batch << QStringLiteral("insert into POST_M (POST_NO, PREF_CD, CITY_CD, AREA_NAME) values (%1, %2, %3, %4)")
                     .arg(QuotedSql(post), QuotedSql(f.at(1)), QuotedSql(f.at(3)), QuotedSql(f.at(5)));
        ++rows;
        // A commit per row would take minutes for a full national list.
        if (batch.size() >= 2000) {
            db.executeInOneTransaction(batch);
            batch.clear();
        }
    }
    if (!batch.isEmpty())
        db.executeInOneTransaction(batch);
    db.close();
    return rows;
}

} // namespace InitialDatabase
