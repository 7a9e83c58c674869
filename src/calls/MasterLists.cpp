#include "calls/MasterLists.h"

#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"

namespace {

MasterLists* gLists = nullptr;

void ResetPair(QStringList& ids, QStringList& names)
{
    ids = QStringList{QString()};
    names = QStringList{QString()};
}

// Fills a parallel identifier/name pair from a statement, after its empty first entry.
void FillPair(TdmCmn& dm, const QString& sql, const QString& idColumn, const QString& nameColumn, QStringList& ids,
              QStringList& names)
{
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    QStringList newIds{QString()};
    QStringList newNames{QString()};
    FbQuery q(dm.IBDatabase1);
    q.setSql(sql);
    q.open();
    while (!q.eof()) {
        newIds << q.fieldByName(idColumn).asString();
        newNames << q.fieldByName(nameColumn).asString();
        q.next();
    }
    q.close();
    // Assign only when the whole read succeeded, so a failure leaves the previous lists.
    ids = newIds;
    names = newNames;
}

} // namespace

MasterLists* MasterLists::Current()
{
    return gLists;
}

void MasterLists::SetCurrent(MasterLists* lists)
{
    gLists = lists;
}

void MasterLists::MakeAll()
{
    MakeActTypeTemp();
    MakeActResultTemp();
    MakeUserTemp();
    MakeCustOptionTemp();
    MakeCustOptionDataTemp();
}

void MasterLists::MakeActTypeTemp()
{
    FillPair(FDm, QStringLiteral("select TYPE_ID, TYPE_NAME from ACCEPT_TYPE where DEL_DT is null order by LIST_ID"),
             QStringLiteral("TYPE_ID"), QStringLiteral("TYPE_NAME"), TypeIds, TypeNames);
}

void MasterLists::MakeActResultTemp()
{
    FillPair(FDm,
             QStringLiteral("select RESULT_ID, RESULT_NAME from ACCEPT_RESULT where DEL_DT is null order by LIST_ID"),
             QStringLiteral("RESULT_ID"), QStringLiteral("RESULT_NAME"), ResultIds, ResultNames);
}

void MasterLists::MakeUserTemp()
{
    const QString today = SqlDate(Clock::today());
    const QString sql = QStringLiteral("select * from USER_M where DEL_DT  is null and (FROMDT is null or FROMDT <= ") +
                        today + QStringLiteral(" )") + QStringLiteral(" and (TODT is null or TODT > ") + today +
                        QStringLiteral(" )") + QStringLiteral(" order by LISTID");
    FillPair(FDm, sql, QStringLiteral("USERID"), QStringLiteral("USERNM"), UserIds, UserNames);
}

void MasterLists::MakeCustOptionTemp()
{
    const QString sql = QStringLiteral("select OPTION_ID, DESP_NAME, FIELD_TYPE from OPTION_M where DEL_DT is null "
                                       "and OPTION_ID between 1 and 20 order by OPTION_ID");
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    QStringList names;
    QStringList types;
    for (int n = 0; n < 20; ++n) {
        names << QString();
        types << QString();
    }
    FbQuery q(FDm.IBDatabase1);
    q.setSql(sql);
    q.open();
    while (!q.eof()) {
        const int n = q.fieldByName(QStringLiteral("OPTION_ID")).asInteger();
        if (n >= 1 && n <= 20) {
            names[n - 1] = q.fieldByName(QStringLiteral("DESP_NAME")).asString();
            types[n - 1] = q.fieldByName(QStringLiteral("FIELD_TYPE")).asString().trimmed();
        }
        q.next();
    }
    q.close();
    OptionNames1 = names.mid(0, 10);
    OptionNames2 = names.mid(10, 10);
    OptionTypes = types;
}

void MasterLists::MakeCustOptionDataTemp()
{
    for (auto& pair : FChoices) {
        if (pair) {
            pair->Ids.clear();
            pair->Names.clear();
        }
    }
    const QString kinds = QStringLiteral("select m.OPTION_ID from OPTION_M m where m.OPTION_ID between 1 and 20 and "
                                         "m.FIELD_TYPE = ") +
                          QuotedSql(QStringLiteral("m")) + QStringLiteral(" and m.DEL_DT is null") +
                          QStringLiteral(" order by m.OPTION_ID");
    WriteTraceLog(QStringLiteral("strSql=") + kinds);
    FbQuery q(FDm.IBDatabase1);
    q.setSql(kinds);
    q.open();
    while (!q.eof()) {
        const int n = q.fieldByName(QStringLiteral("OPTION_ID")).asInteger();
        if (n >= 1 && n <= 20) {
            auto& pair = FChoices[n - 1];
            if (!pair)
                pair = std::make_unique<ChoicePair>();
            ResetPair(pair->Ids, pair->Names);
        }
        q.next();
    }
    q.close();

    const QString values =
        QStringLiteral("select m.OPTION_ID, d.DID, d.DNAME from OPTION_M m, OPTION_D_M d where m.OPTION_ID = "
                       "d.OPTION_ID and m.OPTION_ID between 1 and 20 and m.FIELD_TYPE = ") +
        QuotedSql(QStringLiteral("m")) + QStringLiteral(" and m.DEL_DT is null") + QStringLiteral(" and d.DEL_DT is null") +
        QStringLiteral(" order by m.OPTION_ID, d.LIST_ID");
    WriteTraceLog(QStringLiteral("strSql=") + values);
    q.setSql(values);
    q.open();
    while (!q.eof()) {
        const int n = q.fieldByName(QStringLiteral("OPTION_ID")).asInteger();
        if (n >= 1 && n <= 20 && FChoices[n - 1]) {
            FChoices[n - 1]->Ids << q.fieldByName(QStringLiteral("DID")).asString();
            FChoices[n - 1]->Names << q.fieldByName(QStringLiteral("DNAME")).asString();
        }
        q.next();
    }
    q.close();
}

QString MasterLists::OptionName(int n) const
{
    if (n < 1 || n > 20)
        return QString();
    return n <= 10 ? OptionNames1.value(n - 1) : OptionNames2.value(n - 11);
}

QString MasterLists::OptionType(int n) const
{
    return (n < 1 || n > 20) ? QString() : OptionTypes.value(n - 1);
}

const MasterLists::ChoicePair* MasterLists::Choices(int n) const
{
    return (n < 1 || n > 20) ? nullptr : FChoices[n - 1].get();
}
