#include "logs/LogDeletion.h"

#include "core/Helpers.h"

namespace LogDeletion {

namespace {
const QString kCrLf = QStringLiteral("\r\n");

bool digits(const QString& s, int maxLength)
{
    if (s.isEmpty() || s.size() > maxLength)
        return false;
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool bothEmpty(const QString& year, const QString& month)
{
    return year.trimmed().isEmpty() && month.trimmed().isEmpty();
}
} // namespace

QDate MonthStart(const QString& yearText, const QString& monthText, const QDate& today)
{
    const QString y = yearText.trimmed();
    const QString m = monthText.trimmed();
    if (!digits(y, 4) || !digits(m, 2))
        return QDate();
    int year = y.toInt();
    if (y.size() <= 2) {
        const int from = today.year() - 50;
        year += from / 100 * 100;
        if (year < from)
            year += 100;
    }
    const int month = m.toInt();
    if (year < 1 || month < 1 || month > 12)
        return QDate();
    return QDate(year, month, 1);
}

Statement Build(const QString& startYear, const QString& startMonth, const QString& endYear, const QString& endMonth,
                const QDate& today)
{
    Statement s;
    QString where;
    if (!bothEmpty(startYear, startMonth)) {
        const QDate from = MonthStart(startYear, startMonth, today);
        if (!from.isValid()) {
            s.problem = Statement::BadStart;
            return s;
        }
        where = QStringLiteral("where DT_FROM >= ") + SqlDate(from) + kCrLf;
    }
    if (!bothEmpty(endYear, endMonth)) {
        const QDate to = MonthStart(endYear, endMonth, today);
        if (!to.isValid()) {
            s.problem = Statement::BadEnd;
            return s;
        }
        where += (where.isEmpty() ? QStringLiteral("where") : QStringLiteral("and")) + QStringLiteral(" DT_FROM < ") +
                 SqlDate(to.addMonths(1)) + kCrLf;
    }
    s.sql = QStringLiteral("delete from log") + kCrLf + where;
    s.where = where;
    return s;
}

QString Question()
{
    return QStringLiteral("指定された期間の発着信履歴データを削除してもよろしいですか？");
}

QString BadStartMessage()
{
    return QStringLiteral("開始期間を正しく入力してください。");
}

QString BadEndMessage()
{
    return QStringLiteral("終了期間を正しく入力してください。");
}

QString StoppedMessage(qint64 deleted)
{
    return QStringLiteral("削除を中止しました。中止までに削除された%1件の発着信履歴データは元に戻りません。").arg(deleted);
}

QString DoneMessage()
{
    return QStringLiteral("発着信履歴データを削除しました。");
}

} // namespace LogDeletion
