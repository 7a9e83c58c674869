#include "responses/AcceptRules.h"

#include "core/Cp932.h"
#include "db/ColumnWidths.h"

namespace AcceptRules {

namespace {
constexpr int kLabelBytes = 15;

int widthOr(const QString& column, int fallback)
{
    const int w = ColumnWidths::Width(QStringLiteral("ACCEPT_T"), column);
    return w > 0 ? w : fallback;
}
} // namespace

QString TabCaption(int actNo, bool browse)
{
    QString label = actNo == -1 ? QStringLiteral(" 新 規") : QStringLiteral("No.") + QString::number(actNo);
    label = Cp932::truncateToBytes(label, kLabelBytes);
    // Positions are bytes: a kanji takes two, so " 新 規" gets nine blanks, not eleven.
    label += QString(qMax(0, kLabelBytes - Cp932::byteLength(label)), QLatin1Char(' '));
    return label + (browse ? QStringLiteral("B") : QStringLiteral("E"));
}

QString CaptionLabel(const QString& caption)
{
    return caption.isEmpty() ? caption : caption.chopped(1);
}

int IndexOfId(const QStringList& ids, const QString& id)
{
    return int(ids.indexOf(id));
}

QString IdAt(const QStringList& ids, int index)
{
    return index > 0 && index < ids.size() ? ids.at(index) : QString();
}

std::optional<int> WholeNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || text.trimmed() != text || text.isEmpty())
        return std::nullopt;
    return n;
}

QString LogNoForSave(const QString& logNo)
{
    const std::optional<int> n = WholeNumber(logNo);
    return n ? QString::number(*n) : QString();
}

TAccept ToAccept(const Input& in, const QStringList& typeIds, const QStringList& resultIds, const QStringList& userIds)
{
    TAccept a;
    a.ActNo = in.ActNo;
    a.CustNo = in.CustNo;
    a.ActDt = QDateTime(in.Date, QTime(in.Time.hour(), in.Time.minute(), in.Time.second()));
    a.TypeId = IdAt(typeIds, in.TypeIndex);
    a.ResultId = IdAt(resultIds, in.ResultIndex);
    a.UserId = IdAt(userIds, in.UserIndex);
    a.Title = in.Title;
    a.Content = in.Content;
    a.LogNo = in.ActNo == -1 ? LogNoForSave(in.LogNo) : QString();
    return a;
}

int TitleWidth()
{
    return widthOr(QStringLiteral("TITLE"), 100);
}

int ContentWidth()
{
    return widthOr(QStringLiteral("CONTENT"), 400);
}

QString LengthProblem(const QString& title, const QString& content)
{
    if (Cp932::byteLength(title) > TitleWidth())
        return QStringLiteral("件名は%1バイト以内で入力してください。").arg(TitleWidth());
    if (Cp932::byteLength(content) > ContentWidth())
        return QStringLiteral("内容は%1バイト以内で入力してください。").arg(ContentWidth());
    return QString();
}

} // namespace AcceptRules
