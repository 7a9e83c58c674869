#include "logs/DataExporter.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "logs/CsvTableWriter.h"
#include "logs/ExportTarget.h"
#include "logs/XlsTableWriter.h"
#include "logs/XlsxTableWriter.h"

#include <QFileInfo>

#include <memory>

namespace {

std::unique_ptr<TableWriter> makeWriter(ExportFormat format, bool removeLineBreaks)
{
    switch (format) {
    case ExportFormat::Xls:
        return std::make_unique<XlsTableWriter>();
    case ExportFormat::Xlsx:
        return std::make_unique<XlsxTableWriter>();
    case ExportFormat::Text:
        break;
    }
    return std::make_unique<CsvTableWriter>(removeLineBreaks);
}

// Closes the query on every way out.
struct QueryCloser
{
    FbQuery& q;
    ~QueryCloser() { q.release(); }
};

} // namespace

QString DataExporter::OverwriteQuestion()
{
    return QStringLiteral("同名のファイルが存在します。削除してよろしいですか？");
}

QString DataExporter::CannotReplaceMessage()
{
    return QStringLiteral("同名のファイルを削除できませんでした。パソコンを再起動してみてください。");
}

QString DataExporter::WorkbookFailedMessage()
{
    return QStringLiteral("エクセルの起動に失敗しました。エクセルが正しくインストールされているか確認してください。");
}

QString DataExporter::DoneMessage()
{
    return QStringLiteral("ファイル出力完了しました。");
}

DataExporter::Outcome DataExporter::Run(const ExportRequest& request)
{
    using namespace ExportRules;
    FDone = 0;
    FPathProblem = CheckPath(request.path);
    if (FPathProblem != PathProblem::None) {
        MessageService::Warning(PathMessage(FPathProblem));
        return PathRejected;
    }

    const QFileInfo target(request.path);
    if (request.askBeforeOverwrite && AsksBeforeOverwrite(request.kind) && target.exists()) {
        if (MessageService::Show(MsgKind::Confirmation, OverwriteQuestion(), MsgButtons::OkCancel) != MsgResult::Ok)
            return Cancelled;
        // The old file is replaced only once the new one is complete; what matters now is
        // whether it can be replaced at all.
        if (target.isDir() || !QFileInfo(target.absolutePath()).isWritable()) {
            MessageService::Error(CannotReplaceMessage());
            return Refused;
        }
    }

    const ExportFormat format = FormatOf(request.path);
    std::unique_ptr<ExportTarget> file;
    try {
        file = std::make_unique<ExportTarget>(request.path);
    } catch (const AppError& e) {
        if (format == ExportFormat::Text)
            throw;
        WriteLog(QStringLiteral("DataExporter.Run ") + e.message());
        MessageService::Warning(WorkbookFailedMessage());
        return Refused;
    }

    qint64 total = 0;
    int maxCustNo = 0;
    {
        FbQuery q(FDb);
        QueryCloser closer{q};
        const QString sql = CountSql(request.kind, request.first, request.last);
        WriteTraceLog(QStringLiteral("dmCmn.sqlWork2.SQL.Text=") + sql);
        q.setSql(sql);
        q.open();
        total = q.fieldByName(QStringLiteral("CNT")).asInt64();
        if (request.kind == ExportKind::Customers)
            maxCustNo = q.fieldByName(QStringLiteral("MAX_CUST_NO")).asInteger();
    }
    const int limit = RecordLimit(format);
    if (limit >= 0 && total > limit) {
        MessageService::Warning(RowLimitMessage(format));
        return Refused;
    }
    if (FCounted)
        FCounted(total);

    try {
        const Outcome outcome = write(request, file->tempPath(), total, maxCustNo);
        if (outcome != Done)
            return outcome;
        file->commit();
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("DataExporter.Run failed: ") + e.message());
        throw AppError(QStringLiteral("ファイル出力に失敗しました。出力先のファイルは変更されていません。\r\n") +
                       e.message());
    }
    return Done;
}

bool DataExporter::advance()
{
    ++FDone;
    return !FProgress || FProgress(FDone);
}

DataExporter::Outcome DataExporter::write(const ExportRequest& request, const QString& tempPath, qint64 total,
                                          int maxCustNo)
{
    using namespace ExportRules;
    QList<ExportOptionColumn> options;
    QStringList statements;
    if (request.kind == ExportKind::Customers) {
        FbQuery q(FDb);
        QueryCloser closer{q};
        const QString sql = OptionColumnsSql();
        WriteTraceLog(QStringLiteral("strSql=") + sql);
        q.setSql(sql);
        for (q.open(); !q.eof(); q.next()) {
            ExportOptionColumn o;
            o.id = q.fieldByName(QStringLiteral("OPTION_ID")).asInteger();
            o.caption = OptionCaption(o.id, q.fieldByName(QStringLiteral("DESP_NAME")).asString());
            o.choice = q.fieldByName(QStringLiteral("FIELD_TYPE")).asString() == QLatin1String("m");
            options << o;
        }
        if (total > 0)
            statements = CustomerBlockSql(options, maxCustNo);
    } else {
        statements << RecordSql(request.kind, request.first, request.last);
    }

    const ExportLayout layout = Layout(request.kind, request.first, request.last, Clock::now(), options);
    std::unique_ptr<TableWriter> writer = makeWriter(FormatOf(request.path), request.removeLineBreaks);
    writer->begin(tempPath, layout);
    for (const QString& sql : statements) {
        FbQuery q(FDb);
        QueryCloser closer{q};
        WriteTraceLog(QStringLiteral("dmCmn.sqlWork2.SQL.Text2=") + sql);
        q.setSql(sql);
        q.setRawRows(true);
        for (q.open(); !q.eof(); q.next()) {
            writer->addRecord(q);
            if (!advance())
                return Stopped;
        }
    }
    writer->finish();
    return Done;
}
