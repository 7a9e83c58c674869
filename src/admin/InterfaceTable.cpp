#include "admin/InterfaceTable.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"

namespace {
QString NumberOrNull(const QString& text)
{
    return NullOrText(text.trimmed());
}
} // namespace

InterfaceTable::InterfaceTable(TdmCmn& dm) : FDm(dm)
{
}

void InterfaceTable::Refresh()
{
    const QString sql = QStringLiteral("select * from INTERFACE order by IF_NO");
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    FRows.clear();
    FbQuery q(FDm.IBDatabase1);
    q.setSql(sql);
    auto text = [&q](const char* name) { return q.fieldByName(QLatin1String(name)).asString(); };
    for (q.open(); !q.eof(); q.next()) {
        TInterfaceRow r;
        r.IfNo = text("IF_NO");
        r.IfName = text("IF_NAME");
        r.IfType = text("IF_TYPE");
        r.ExecPath = text("EXEC_PATH");
        r.Command = text("COMMAND");
        r.TextPath = text("TEXT_PATH");
        r.TextPort = text("TEXT_PORT");
        r.TextDt = text("TEXT_DT");
        r.Caption = text("CAPTION");
        r.EveryClose = text("EVERY_CLOSE");
        r.StartReq = text("START_REQ");
        r.EndReq = text("END_REQ");
        FRows.append(r);
    }
    q.close();
    MoveTo(FCurrent < 0 ? 0 : FCurrent);
}

void InterfaceTable::MoveTo(int index)
{
    FCurrent = FRows.isEmpty() ? -1 : qBound(0, index, int(FRows.size()) - 1);
}

int InterfaceTable::IndexOf(int ifNo) const
{
    for (int i = 0; i < FRows.size(); ++i)
        if (FRows.at(i).IfNo.toInt() == ifNo)
            return i;
    return -1;
}

TInterfaceRow InterfaceTable::CurrentRow() const
{
    return FCurrent >= 0 && FState != Insert ? FRows.at(FCurrent) : TInterfaceRow();
}

void InterfaceTable::Append()
{
    FState = Insert;
}

void InterfaceTable::EditCurrent()
{
    if (FCurrent >= 0)
        FState = Edit;
}

void InterfaceTable::Post(const TInterfaceRow& row)
{
    if (FState == Browse)
        return;
    bool numberOk = false;
    const int ifNo = row.IfNo.trimmed().toInt(&numberOk);
    if (!numberOk)
        throw AppError(QStringLiteral("外部接続番号を入力してください。"));
    if (row.IfType.isEmpty())
        throw AppError(QStringLiteral("外部接続タイプを選択してください。"));
    for (const QString& req : {row.StartReq, row.EndReq}) {
        bool ok = false;
        if (!req.trimmed().isEmpty() && (req.trimmed().toInt(&ok), !ok))
            throw AppError(QStringLiteral("リクエストには数値を入力してください。"));
    }
    QString sql;
    if (FState == Insert) {
        sql = QStringLiteral("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EXEC_PATH, TEXT_PATH, COMMAND, CAPTION, "
                             "START_REQ, END_REQ, EVERY_CLOSE, TEXT_PORT, TEXT_DT, UPDT) values (") +
              QString::number(ifNo) + QStringLiteral(", ") + QuotedSql(row.IfName) + QStringLiteral(", ") +
              QuotedSql(row.IfType) + QStringLiteral(", ") + QuotedSql(row.ExecPath) + QStringLiteral(", ") +
              QuotedSql(row.TextPath) + QStringLiteral(", ") + QuotedSql(row.Command) + QStringLiteral(", ") +
              QuotedSql(row.Caption) + QStringLiteral(", ") + NumberOrNull(row.StartReq) + QStringLiteral(", ") +
              NumberOrNull(row.EndReq) + QStringLiteral(", ") + QuotedSql(row.EveryClose) + QStringLiteral(", ") +
              QuotedSql(row.TextPort) + QStringLiteral(", ") + QuotedSql(row.TextDt) +
              QStringLiteral(", CURRENT_TIMESTAMP)");
    } else {
        sql = QStringLiteral("update INTERFACE set IF_NAME = ") + QuotedSql(row.IfName) + QStringLiteral(", IF_TYPE = ") +
              QuotedSql(row.IfType) + QStringLiteral(", EXEC_PATH = ") + QuotedSql(row.ExecPath) +
              QStringLiteral(", TEXT_PATH = ") + QuotedSql(row.TextPath) + QStringLiteral(", COMMAND = ") +
              QuotedSql(row.Command) + QStringLiteral(", CAPTION = ") + QuotedSql(row.Caption) +
              QStringLiteral(", START_REQ = ") + NumberOrNull(row.StartReq) + QStringLiteral(", END_REQ = ") +
              NumberOrNull(row.EndReq) + QStringLiteral(", EVERY_CLOSE = ") + QuotedSql(row.EveryClose) +
              QStringLiteral(", TEXT_PORT = ") + QuotedSql(row.TextPort) + QStringLiteral(", TEXT_DT = ") +
              QuotedSql(row.TextDt) + QStringLiteral(", UPDT = CURRENT_TIMESTAMP where IF_NO = ") +
              FRows.at(FCurrent).IfNo;
    }
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    FDm.ExecSql(sql);
    FState = Browse;
    Refresh();
    MoveTo(IndexOf(ifNo));
}

void InterfaceTable::CancelEdit()
{
    FState = Browse;
}

void InterfaceTable::DeleteCurrent()
{
    if (FCurrent < 0)
        return;
    FDm.DeleteByKey(QStringLiteral("INTERFACE"), QStringLiteral("IF_NO"), FRows.at(FCurrent).IfNo);
    FState = Browse;
    Refresh();
}

InterfaceFieldRules InterfaceFieldRules::For(const QString& type, bool everyClose)
{
    InterfaceFieldRules r;
    const bool exe = type == QLatin1String("EXE");
    const bool txt = type == QLatin1String("TXT");
    r.TextPath = r.TextFlags = txt;
    r.Caption = r.EveryClose = exe || txt;
    // A program that is restarted every time is never sent a message.
    r.RequestLabel = (exe || txt) && !everyClose;
    r.StartReqVisible = !exe;
    r.StartReq = txt && !everyClose;
    r.EndReq = (exe || txt) && !everyClose;
    r.StartLabel = exe && !everyClose ? QStringLiteral("開始リクエスト =  WM_COPYDATA")
                                      : QStringLiteral("開始リクエスト =  WM_USER + ");
    return r;
}
