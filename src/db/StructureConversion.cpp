#include "db/StructureConversion.h"

#include "core/AppError.h"
#include "core/BackgroundWork.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/StopRequest.h"
#include "db/DatabaseCopy.h"
#include "db/FbDatabase.h"
#include "db/FbEngine.h"
#include "db/FbQuery.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// Debian installs each Firebird series' tools here and runs them through a wrapper that
// chooses the series by FIREBIRD_VERSION and points FIREBIRD at that series' engine.
QString SeriesOf(int structure)
{
    switch (structure) {
    case 12:
        return QStringLiteral("3.0");
    case 13:
        return QStringLiteral("4.0");
    default:
        return QString();
    }
}

QString ToolPath(const QString& series, const QString& tool)
{
    return QStringLiteral("/usr/lib/firebird/%1/bin/%2").arg(series, tool);
}

QString Seconds(const QElapsedTimer& t)
{
    return QString::number(double(t.elapsed()) / 1000.0, 'f', 1) + QStringLiteral(" s");
}

QString Counts(const QMap<QString, qint64>& rows)
{
    QStringList parts;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it)
        parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    return parts.join(QStringLiteral(", "));
}

// Dialect 1 knows no quoted names; the tables' names are plain ones.
const char* const kCountScript = R"(set list on;
set term ^ ;
execute block returns (TNAME varchar(252), NROWS integer) as
begin
  for select trim(RDB$RELATION_NAME) from RDB$RELATIONS
      where coalesce(RDB$SYSTEM_FLAG, 0) = 0 and RDB$VIEW_BLR is null
      into :TNAME do
  begin
    execute statement 'select count(*) from ' || TNAME into :NROWS;
    suspend;
  end
end^
set term ; ^
select trim(RDB$OWNER_NAME) as DB_OWNER from RDB$RELATIONS where RDB$RELATION_NAME = 'RDB$DATABASE';
)";
} // namespace

StructureConversion::StructureConversion(const QString& file) : FFile(file) {}

int StructureConversion::FileStructure(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    // The header page: page type 1 in the first byte, the structure's major version at
    // offset 18 (little-endian, with the high bit that marks a Firebird file).
    const QByteArray head = f.read(20);
    if (head.size() < 20 || head.at(0) != 1)
        return 0;
    const unsigned version = uchar(head.at(18)) | (unsigned(uchar(head.at(19))) << 8);
    if ((version & 0x8000u) == 0)
        return 0;
    return int(version & 0x7fffu);
}

int StructureConversion::EngineStructure()
{
    return EngineMajorVersion() >= 4 ? 13 : 12;
}

bool StructureConversion::Needed(const QString& file)
{
    if (FbDatabase::IsServerPath(file))
        return false;
    const int structure = FileStructure(file);
    return structure > 0 && structure < EngineStructure() && !SeriesOf(structure).isEmpty();
}

qint64 StructureConversion::TotalRows() const
{
    qint64 total = 0;
    for (qint64 n : FRows)
        total += n;
    return total;
}

QString StructureConversion::NoticeBefore(const QString& file)
{
    return QStringLiteral("データベース %1 は古い形式です。\r\n新しい形式に変換します（数分かかることがあります）。\r\n"
                          "変換前のファイルは同じフォルダーに残します。")
        .arg(file);
}

QString StructureConversion::ToolRefusal(const QString& file)
{
    if (!Needed(file))
        return QString();
    // Converting needs the program's messages and its safety copy: it is left to those two.
    return QStringLiteral("the database %1 has the older on-disk structure %2, which this Firebird no longer opens; "
                          "convert it first: start zuvaro3 once, or run zuvaro3-initdb --convert %1 "
                          "(the original is kept beside it)")
        .arg(file)
        .arg(FileStructure(file));
}

QString StructureConversion::NoticeAfter() const
{
    return QStringLiteral("データベースを新しい形式に変換しました。\r\nテーブル %1 個、%2 行をすべて移しました。\r\n"
                          "変換前のファイル: %3")
        .arg(FRows.size())
        .arg(TotalRows())
        .arg(FKept);
}

QString StructureConversion::NoticeFailed() const
{
    return QStringLiteral("データベースを新しい形式に変換できませんでした。\r\n元のファイルはそのままです。\r\n") + FFailure;
}

void StructureConversion::removeLeftovers() const
{
    for (const char* suffix : {".convert", ".convert.fbk", ".convert.src"})
        QFile::remove(FFile + QLatin1String(suffix));
}

bool StructureConversion::runTool(const QString& series, const QString& tool, const QStringList& args,
                                  const QString& lockDir, QString* output)
{
    QProcess p;
    DatabaseCopy::EndsWithUs(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD_VERSION"), series);
    env.insert(QStringLiteral("FIREBIRD_LOCK"), lockDir);
    env.remove(QStringLiteral("ISC_USER"));
    env.remove(QStringLiteral("ISC_PASSWORD"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("/usr/bin/") + tool, args);
    if (!p.waitForStarted(30000)) {
        FFailure = tool + QStringLiteral(" did not start");
        return false;
    }
    if (tool == QLatin1String("isql-fb")) {
        p.write(kCountScript);
        p.closeWriteChannel();
    }
    while (!p.waitForFinished(200)) {
        if (p.state() == QProcess::NotRunning)
            break;
        if (FCancelled && FCancelled()) {
            p.kill();
            p.waitForFinished(10000);
            FFailure = QStringLiteral("stopped");
            return false;
        }
    }
    *output = QString::fromLocal8Bit(p.readAll());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 ||
        output->contains(QLatin1String("Statement failed"))) {
        FFailure = QStringLiteral("%1 (Firebird %2): %3").arg(tool, series, output->trimmed());
        return false;
    }
    return true;
}

bool StructureConversion::countWithOlderEngine(const QString& file, const QString& series, const QString& lockDir,
                                               QMap<QString, qint64>* rows, QString* owner)
{
    QString out;
    if (!runTool(series, QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-user"),
                                                     QStringLiteral("SYSDBA"), file},
                 lockDir, &out))
        return false;
    static const QRegularExpression line(QStringLiteral("^(TNAME|NROWS|DB_OWNER)\\s+(\\S.*?)\\s*$"),
                                         QRegularExpression::MultilineOption);
    QString table;
    for (auto m = line.globalMatch(out); m.hasNext();) {
        const auto hit = m.next();
        if (hit.captured(1) == QLatin1String("TNAME"))
            table = hit.captured(2);
        else if (hit.captured(1) == QLatin1String("NROWS") && !table.isEmpty())
            rows->insert(table, hit.captured(2).toLongLong());
        else if (hit.captured(1) == QLatin1String("DB_OWNER"))
            *owner = hit.captured(2);
    }
    if (rows->isEmpty()) {
        FFailure = QStringLiteral("no tables found in ") + FFile;
        return false;
    }
    return true;
}

bool StructureConversion::countWithThisEngine(const QString& file, QMap<QString, qint64>* rows)
{
    try {
        FbDatabase db;
        db.setDatabaseName(file);
        db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("lc_ctype=NONE")});
        db.setSqlDialect(1);
        db.open();
        QStringList tables;
        {
            FbQuery q(db);
            q.setSql(QStringLiteral("select trim(RDB$RELATION_NAME) as TNAME from RDB$RELATIONS where "
                                    "coalesce(RDB$SYSTEM_FLAG, 0) = 0 and RDB$VIEW_BLR is null"));
            for (q.open(); !q.eof(); q.next())
                tables << q.fieldByName(QStringLiteral("TNAME")).asString();
        }
        for (const QString& table : tables) {
            FbQuery q(db);
            q.setSql(QStringLiteral("select count(*) as N from ") + table);
            q.open();
            rows->insert(table, q.fieldByName(QStringLiteral("N")).asInt64());
        }
        db.close();
    } catch (const AppError& e) {
        FFailure = QStringLiteral("the converted file does not open: ") + e.message();
        return false;
    }
    return true;
}

bool StructureConversion::Run()
{
    FFailure.clear();
    FKept.clear();
    FRows.clear();
    FSteps.clear();
    FFrom = FileStructure(FFile);
    const QString from = SeriesOf(FFrom);
    const QString to = SeriesOf(EngineStructure());
    if (from.isEmpty() || FFrom >= EngineStructure()) {
        FFailure = QStringLiteral("%1: structure %2 needs no conversion").arg(FFile).arg(FFrom);
        return false;
    }
    for (const auto& [series, tool] : {std::pair{from, QStringLiteral("gbak")}, std::pair{from, QStringLiteral("isql-fb")},
                                       std::pair{to, QStringLiteral("gbak")}}) {
        if (!QFileInfo(ToolPath(series, tool)).isExecutable()) {
            FFailure = QStringLiteral("%1 is missing (Debian package firebird%2-utils, with firebird%2-server-core)")
                           .arg(ToolPath(series, tool), series);
            return false;
        }
    }
    removeLeftovers();
    const QString converted = FFile + QStringLiteral(".convert");
    const QString backup = FFile + QStringLiteral(".convert.fbk");
    // The engines read a copy: an attachment writes to the file it opens (its header and
    // transaction pages), and the original must stay exactly as it was.
    const QString source = FFile + QStringLiteral(".convert.src");
    // Each series' engine gets a lock folder of its own: their shared files differ.
    QTemporaryDir oldLocks, newLocks;
    if (!oldLocks.isValid() || !newLocks.isValid()) {
        FFailure = QStringLiteral("no temporary folder for the engines' lock files");
        return false;
    }
    const auto failed = [this]() {
        removeLeftovers();
        return false;
    };

    QElapsedTimer t;
    t.start();
    if (!QFile::copy(FFile, source)) {
        FFailure = QStringLiteral("cannot copy %1 to %2").arg(FFile, source);
        return failed();
    }
    FSteps << QStringLiteral("copied for reading in %1").arg(Seconds(t));
    t.restart();
    QString owner, out;
    if (!countWithOlderEngine(source, from, oldLocks.path(), &FRows, &owner))
        return failed();
    FSteps << QStringLiteral("counted with Firebird %1 in %2: %3").arg(from, Seconds(t), Counts(FRows));
    t.restart();
    if (!runTool(from, QStringLiteral("gbak"), {QStringLiteral("-b"), QStringLiteral("-g"), QStringLiteral("-user"),
                                                QStringLiteral("SYSDBA"), source, backup},
                 oldLocks.path(), &out))
        return failed();
    QFile::remove(source);
    FSteps << QStringLiteral("backed up with gbak %1 in %2").arg(from, Seconds(t));
    t.restart();
    // Restored as the original's owner: a server's database stays its login's.
    if (!runTool(to, QStringLiteral("gbak"), {QStringLiteral("-c"), QStringLiteral("-user"),
                                              owner.isEmpty() ? QStringLiteral("SYSDBA") : owner, backup, converted},
                 newLocks.path(), &out))
        return failed();
    QFile::remove(backup);
    FSteps << QStringLiteral("restored with gbak %1 in %2").arg(to, Seconds(t));
    t.restart();
    QMap<QString, qint64> after;
    if (!countWithThisEngine(converted, &after))
        return failed();
    if (after != FRows) {
        FFailure = QStringLiteral("rows differ after the conversion: before %1; after %2").arg(Counts(FRows), Counts(after));
        return failed();
    }
    FSteps << QStringLiteral("opened and counted with Firebird %1 in %2").arg(to, Seconds(t));
    if (FCancelled && FCancelled()) {
        FFailure = QStringLiteral("stopped");
        return failed();
    }

    // The converted file gets the original's owner, group and mode (a server's account,
    // the shop's group).
    const QByteArray original = QFile::encodeName(FFile);
    const QByteArray result = QFile::encodeName(converted);
    struct stat st = {};
    if (::stat(original.constData(), &st) == 0) {
        if (::chown(result.constData(), st.st_uid, st.st_gid) != 0 &&
            ::chown(result.constData(), uid_t(-1), st.st_gid) != 0) {
            // Not permitted: the file stays ours, which the caller could open all along.
        }
        ::chmod(result.constData(), st.st_mode & 07777);
    }
    if (FKeepOriginal) {
        const QString stamp = Clock::now().toString(QStringLiteral("yyyyMMdd_HHmmss"));
        QString kept = QStringLiteral("%1_ods%2_%3").arg(FFile).arg(FFrom).arg(stamp);
        for (int i = 2; QFileInfo::exists(kept); ++i)
            kept = QStringLiteral("%1_ods%2_%3_%4").arg(FFile).arg(FFrom).arg(stamp).arg(i);
        if (::link(original.constData(), QFile::encodeName(kept).constData()) != 0 && !QFile::copy(FFile, kept)) {
            FFailure = QStringLiteral("cannot keep the original as ") + kept;
            return failed();
        }
        FKept = kept;
        FSteps << QStringLiteral("original kept as ") + kept;
    }
    if (::rename(result.constData(), original.constData()) != 0) {
        FFailure = QStringLiteral("cannot put the converted file in place of ") + FFile;
        return failed();
    }
    return true;
}

bool StructureConversion::ConvertAtStart(const QString& file)
{
    if (!Needed(file))
        return true;
    WriteLog(QStringLiteral("StructureConversion begin file=%1 structure=%2 engine=%3")
                 .arg(file)
                 .arg(FileStructure(file))
                 .arg(EngineStructure()));
    MessageService::Information(NoticeBefore(file));
    if (StopRequest::Requested())
        return false;
    StructureConversion conversion(file);
    conversion.setCancelled([] { return StopRequest::Requested(); });
    bool done = false;
    QElapsedTimer t;
    t.start();
    RunServingEvents([&]() { done = conversion.Run(); });
    for (const QString& step : conversion.Steps())
        WriteLog(QStringLiteral("StructureConversion ") + step);
    if (!done) {
        WriteLog(QStringLiteral("StructureConversion failed: ") + conversion.Failure());
        if (!StopRequest::Requested())
            MessageService::Error(conversion.NoticeFailed());
        return false;
    }
    WriteLog(QStringLiteral("StructureConversion done in %1: %2 tables, %3 rows")
                 .arg(Seconds(t))
                 .arg(conversion.Rows().size())
                 .arg(conversion.TotalRows()));
    MessageService::Information(conversion.NoticeAfter());
    return true;
}
