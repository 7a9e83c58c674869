#include "responses/AcceptPage.h"

#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/MessageService.h"
#include "db/QueryGuard.h"
#include "db/TdmCmn.h"

#include <QRegularExpression>

namespace {
bool isDecimal(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]+$"));
    bool ok = false;
    text.toInt(&ok);
    return ok && digits.match(text).hasMatch();
}
} // namespace

namespace AcceptPage {

QString DaySql(const QDate& day)
{
    return QStringLiteral("select a.*, c.CUST_NAME, c.CUST_TEL_NON, u.USERNM, t.TYPE_NAME, r.RESULT_NAME from ACCEPT_T a "
                          " left join USER_M u on u.USERID = a.USERID  left join ACCEPT_TYPE t on t.TYPE_ID = a.TYPE_ID "
                          " left join ACCEPT_RESULT r on r.RESULT_ID = a.RESULT_ID  , CUSTOMER c where a.CUST_NO = "
                          "c.CUST_NO and c.DEL_DT is null  and a.ACT_DT >= ") +
           SqlDate(day) + QStringLiteral(" and a.ACT_DT < ") + SqlDate(day.addDays(1)) +
           QStringLiteral(" order by a.ACT_DT desc");
}

QList<QStringList> Rows(TdmCmn& dm, const QString& sql, const std::function<bool(const QStringList&)>& keep)
{
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    QList<QStringList> rows;
    FbQuery& q = dm.sqlWork;
    QueryGuard guard(q);
    q.setSql(sql);
    for (q.open(); !q.eof(); q.next()) {
        auto s = [&q](const char* name) { return q.fieldByName(QLatin1String(name)).asString(); };
        const QDateTime at = q.fieldByName(QStringLiteral("ACT_DT")).asDateTime();
        QStringList row{at.isValid() ? at.toString(QStringLiteral("yyyy/MM/dd HH:mm")) : QString(),
                        s("CUST_NAME"), s("TITLE"), s("TYPE_NAME"), s("RESULT_NAME"), s("USERNM"), s("ACT_NO"),
                        s("CUST_NO"), s("CUST_TEL_NON"), s("CONTENT")};
        if (!keep || keep(row))
            rows << row;
    }
    q.close();
    return rows;
}

QList<QStringList> Load(TdmCmn& dm, const QDate& day)
{
    return Rows(dm, DaySql(day));
}

QString NoSelectionMessage()
{
    return QStringLiteral("対応履歴を選択してください。");
}

DeleteOutcome Delete(TdmCmn& dm, const TDeleteTarget& target)
{
    WriteTraceLog(QStringLiteral("strActNo=") + target.ActNo + QStringLiteral(" strCustNo=") + target.CustNo);
    if (!target.ActNo.isEmpty() && !target.CustNo.isEmpty() &&
        MessageService::Show(MsgKind::Confirmation, QStringLiteral("選択されている対応履歴を削除してよろしいですか？"),
                             MsgButtons::OkCancel) != MsgResult::Ok)
        return DeleteOutcome::Cancelled;
    if (!isDecimal(target.ActNo) || !isDecimal(target.CustNo)) {
        MessageService::Error(QStringLiteral("対応履歴の読み込みに失敗しました。対応履歴を再読み込みしてください。"));
        return DeleteOutcome::Unreadable;
    }
    dm.DeleteByKey(QStringLiteral("ACCEPT_T"), QStringLiteral("ACT_NO"), QString::number(target.ActNo.toInt()));
    return DeleteOutcome::Deleted;
}

TUpTable RefreshAfterDelete(const TDeleteTarget& target)
{
    TUpTable flags = TUpTable::With({TUpTable::LogTable, TUpTable::AcceptTable}, target.CustTelNon);
    flags.CustNo = target.CustNo.toInt();
    flags.ActNo = target.ActNo.toInt();
    return flags;
}

} // namespace AcceptPage
