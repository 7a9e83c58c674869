#include "customers/SearchQuery.h"

#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/LikePattern.h"
#include "core/PhoneNumberForm.h"
#include "customers/CustRules.h"
#include "db/QueryGuard.h"

namespace {
const QString kCustSelect = QStringLiteral("select CUST_TEL_NON, CUST_NAME, CUST_KANA, FAX_NO_NON, ZIP_CD, ADDRESS, "
                                           "EMAIL, left(OTHERS,50) OTHERS, CUST_NO from CUSTOMER");
}

SearchQuery::SearchQuery(Mode mode, int kanaType) : FMode(mode)
{
    const QString kana = CustRules::KanaCaption(kanaType);
    switch (mode) {
    case Tels:
        FColumns = {{QStringLiteral("電話番号"), 111, QStringLiteral("TEL_NO")},
                    {QStringLiteral("代表電話番号"), 116, QStringLiteral("CUST_TEL_NON")},
                    {QStringLiteral("名前"), 161, QStringLiteral("CALLER")},
                    {QStringLiteral("読み上げ名"), 161, QStringLiteral("READ_NAME")}};
        FItems = {{QStringLiteral("電話番号"), QStringLiteral("TEL_NO"), 0},
                  {QStringLiteral("代表電話番号"), QStringLiteral("CUST_TEL_NON"), 0},
                  {QStringLiteral("名前"), QStringLiteral("CALLER"), 1},
                  {QStringLiteral("読み上げ名"), QStringLiteral("READ_NAME"), 0}};
        break;
    case Interface:
        FColumns = {{QStringLiteral("番号"), 40, QStringLiteral("IF_NO")},
                    {QStringLiteral("外部接続名"), 210, QStringLiteral("IF_NAME")},
                    {QStringLiteral("タイプ"), 50, QStringLiteral("IF_TYPE")},
                    {QStringLiteral("起動プログラム"), 250, QStringLiteral("EXEC_PATH")}};
        FItems = {{QStringLiteral("外部接続番号"), QStringLiteral("IF_NO"), 0},
                  {QStringLiteral("外部接続名"), QStringLiteral("IF_NAME"), 1},
                  {QStringLiteral("タイプ"), QStringLiteral("IF_TYPE"), 0},
                  {QStringLiteral("起動プログラム"), QStringLiteral("EXEC_PATH"), 0}};
        break;
    case Customers:
        FColumns = {{QStringLiteral("代表電話番号"), 111, QStringLiteral("CUST_TEL_NON")},
                    {QStringLiteral("顧客名"), 161, QStringLiteral("CUST_NAME")},
                    {kana, 161, QStringLiteral("CUST_KANA")},
                    {QStringLiteral("FAX番号"), 111, QStringLiteral("FAX_NO_NON")},
                    {QStringLiteral("郵便番号"), 70, QStringLiteral("ZIP_CD")},
                    {QStringLiteral("住所"), 180, QStringLiteral("ADDRESS")},
                    {QStringLiteral("メール"), 100, QStringLiteral("EMAIL")},
                    {QStringLiteral("備考"), 200, QStringLiteral("OTHERS")},
                    {QString(), 0, QStringLiteral("CUST_NO")}};
        FItems = {{QStringLiteral("代表電話番号"), QStringLiteral("CUST_TEL_NON"), 0},
                  {QStringLiteral("顧客名"), QStringLiteral("CUST_NAME"), 1},
                  {kana, QStringLiteral("CUST_KANA"), 2},
                  {QStringLiteral("FAX番号"), QStringLiteral("FAX_NO_NON"), 0},
                  {QStringLiteral("郵便番号"), QStringLiteral("ZIP_CD"), 0},
                  {QStringLiteral("住所"), QStringLiteral("ADDRESS"), 1},
                  {QStringLiteral("メール"), QStringLiteral("EMAIL"), 0},
                  {QStringLiteral("備考"), QStringLiteral("OTHERS"), 1}};
        break;
    }
}

QString SearchQuery::Caption() const
{
    switch (FMode) {
    case Tels:
        return QStringLiteral("電話帳検索");
    case Interface:
        return QStringLiteral("外部接続検索");
    case Customers:
        break;
    }
    return QStringLiteral("顧客情報検索");
}

QString SearchQuery::InitialSql() const
{
    switch (FMode) {
    case Tels:
        return QStringLiteral("select * from TELS where TEL_NO = '-999' order by TEL_NO");
    case Interface:
        return QStringLiteral("select * from INTERFACE order by IF_NO");
    case Customers:
        break;
    }
    return kCustSelect + QStringLiteral(" where CUST_NO = -999 order by CUST_TEL_NON");
}

QString SearchQuery::SearchText(int item, const QString& typed) const
{
    if (item < 0 || item >= FItems.size())
        return typed;
    const QString& column = FItems.at(item).Column;
    if (column == QLatin1String("TEL_NO") || column == QLatin1String("CUST_TEL_NON"))
        return PhoneNumberForm::Apply(typed);
    return typed;
}

QString SearchQuery::SearchSql(int item, const QString& typedText, bool anywhere) const
{
    if (typedText.trimmed().isEmpty() || item < 0 || item >= FItems.size())
        return InitialSql();
    const QString typed = SearchText(item, typedText);
    const QString column = FItems.at(item).Column;
    const QString where = QStringLiteral(" where ") + column + QStringLiteral(" like ") +
                          QuotedSql(LikePattern::ForSearch(typed, anywhere)) + QStringLiteral(" order by ") + column;
    switch (FMode) {
    case Tels:
        return QStringLiteral("select * from TELS") + where;
    case Interface:
        return QStringLiteral("select * from INTERFACE") + where;
    case Customers:
        break;
    }
    return kCustSelect + where;
}

QList<QStringList> SearchQuery::Run(FbQuery& query, const QString& sql, int item, const QString& typedText,
                                    bool anywhere) const
{
    const QString typed = SearchText(item, typedText);
    WriteTraceLog(QStringLiteral("Serarch SQL=") + sql);
    const bool filter = !typed.trimmed().isEmpty() && item >= 0 && item < FItems.size();
    const QString pattern = LikePattern::ForSearch(typed, anywhere);
    QList<QStringList> rows;
    QueryGuard guard(query);
    query.setSql(sql);
    query.open();
    QList<int> index;
    for (const Column& c : FColumns)
        index << query.fieldIndex(c.Field);
    const int searched = filter ? query.fieldIndex(FItems.at(item).Column) : -1;
    for (; !query.eof(); query.next()) {
        if (searched >= 0 && !LikePattern::Matches(query.field(searched).asString(), pattern))
            continue;
        QStringList row;
        for (int i : index)
            row << (i >= 0 ? query.field(i).asString() : QString());
        rows << row;
    }
    query.close();
    return rows;
}

QString SearchQuery::WidthKey() const
{
    static const char* keys[] = {"COL_WIDTH_TEL", "COL_WIDTH_IF", "COL_WIDTH_INCUST"};
    return QLatin1String(keys[FMode]);
}

QString SearchQuery::IndexKey() const
{
    static const char* keys[] = {"TEL_INDEX", "IF_INDEX", "IN_CUST_INDEX"};
    return QLatin1String(keys[FMode]);
}

QString SearchQuery::PartKey() const
{
    static const char* keys[] = {"TEL_PART_INDEX", "IF_PART_INDEX", "IN_PART_INDEX"};
    return QLatin1String(keys[FMode]);
}

QString SearchQuery::DefaultIndex() const
{
    return FMode == Customers ? QStringLiteral("2") : QStringLiteral("0");
}
