#include "responses/ActSearch.h"

#include "core/CommaText.h"
#include "core/Helpers.h"
#include "core/LikePattern.h"
#include "core/ProfileFile.h"
#include "responses/AcceptPage.h"

namespace {
const QString kSection = QStringLiteral("SEARCH");
const QString kHistoryKey = QStringLiteral("CONENT_STRING");

bool textApplies(const TActSearchCond& c)
{
    return !c.Text.isEmpty() && (c.InTitle || c.InContent);
}

QString likePattern(const TActSearchCond& c)
{
    return QLatin1Char('%') + c.Text + QLatin1Char('%');
}
} // namespace

namespace ActSearch {

bool PeriodReversed(const TActSearchCond& c)
{
    return c.UseFrom && c.UseTo && c.To < c.From;
}

QString Sql(const TActSearchCond& c)
{
    QString sql = QStringLiteral("select a.*, c.CUST_NAME, c.CUST_TEL_NON, u.USERNM ,t.TYPE_NAME, r.RESULT_NAME \r\n"
                                 " from ACCEPT_T a\r\n"
                                 " left join USER_M u on u.USERID = a.USERID\r\n"
                                 " left join ACCEPT_TYPE t on t.TYPE_ID = a.TYPE_ID\r\n"
                                 " left join ACCEPT_RESULT r on r.RESULT_ID = a.RESULT_ID\r\n"
                                 " , CUSTOMER c where c.CUST_NO = a.CUST_NO and c.DEL_DT is null ");
    auto add = [&sql](const QString& condition) { sql += QStringLiteral("and") + condition + QStringLiteral("\r\n"); };
    if (c.UseFrom)
        add(QStringLiteral(" a.ACT_DT >= ") + SqlDate(c.From));
    if (c.UseTo)
        add(QStringLiteral(" a.ACT_DT < ") + SqlDate(c.To.addDays(1)));
    if (c.CustNo != -1)
        add(QStringLiteral(" a.CUST_NO = ") + QString::number(c.CustNo));
    if (textApplies(c)) {
        const QString p = QuotedSql(likePattern(c));
        if (c.InTitle && c.InContent)
            add(QStringLiteral(" ( a.CONTENT like ") + p + QStringLiteral(" or a.TITLE like ") + p + QStringLiteral(")"));
        else if (c.InTitle)
            add(QStringLiteral(" a.TITLE like ") + p);
        else
            add(QStringLiteral(" a.CONTENT like ") + p);
    }
    if (!c.TypeId.isEmpty())
        add(QStringLiteral(" a.TYPE_ID = ") + QuotedSql(c.TypeId));
    if (!c.ResultId.isEmpty())
        add(QStringLiteral(" a.RESULT_ID = ") + QuotedSql(c.ResultId));
    if (c.UserChosen)
        add(QStringLiteral(" a.USERID = ") + QuotedSql(c.UserId));
    return sql + QStringLiteral(" order by a.ACT_DT desc");
}

QList<QStringList> Run(TdmCmn& dm, const TActSearchCond& c)
{
    const QString pattern = likePattern(c);
    std::function<bool(const QStringList&)> keep;
    if (textApplies(c))
        keep = [&c, &pattern](const QStringList& row) {
            return (c.InTitle && LikePattern::Matches(row.at(AcceptPage::ColTitle), pattern)) ||
                   (c.InContent && LikePattern::Matches(row.at(AcceptPage::ColContent), pattern));
        };
    QList<QStringList> hits = AcceptPage::Rows(dm, Sql(c), keep);
    for (QStringList& row : hits) {
        const QString custTelNon = row.at(AcceptPage::ColCustTelNon);
        row = row.mid(0, ColCustTelNon);
        row << custTelNon;
    }
    return hits;
}

QStringList AddToHistory(QStringList history, const QString& text)
{
    if (text.isEmpty() || history.contains(text))
        return history;
    history << text;
    while (history.size() > HistoryMax)
        history.removeFirst();
    return history;
}

QStringList ReadHistory(const ProfileFile& ini)
{
    return CommaText::Split(ini.ReadString(kSection, kHistoryKey, QString()));
}

void WriteHistory(ProfileFile& ini, const QStringList& history)
{
    ini.WriteString(kSection, kHistoryKey, CommaText::Join(history));
}

} // namespace ActSearch
