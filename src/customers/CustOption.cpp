#include "customers/CustOption.h"

#include "core/Helpers.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"

namespace CustOption {

QStringList KindNames()
{
    return {QString(),
            QStringLiteral("全角文字"),
            QStringLiteral("半角文字"),
            QStringLiteral("日付"),
            QStringLiteral("時刻"),
            QStringLiteral("日付＋時刻"),
            QStringLiteral("マスタデータ")};
}

QStringList KindCodes()
{
    return {QString(),         QStringLiteral("s"), QStringLiteral("n"), QStringLiteral("d"),
            QStringLiteral("t"), QStringLiteral("e"), QStringLiteral("m")};
}

int KindIndex(const QString& code)
{
    const int i = code.isEmpty() ? -1 : KindCodes().indexOf(code);
    return i < 0 ? 0 : i;
}

QString KindName(const QString& code)
{
    return KindNames().value(KindIndex(code));
}

QString Placeholder(int position)
{
    return QStringLiteral("(予備") + QStringLiteral("%1").arg(position, 2, 10, QLatin1Char('0')) +
           QStringLiteral(")");
}

QString OptionListSql()
{
    return QStringLiteral("select * from OPTION_M where DEL_DT is null and OPTION_ID between 1 and 20 order by "
                          "OPTION_ID");
}

QList<OptionSlot> LoadSlots(TdmCmn& dm)
{
    QList<OptionSlot> result;
    for (int n = 1; n <= 20; ++n)
        result << OptionSlot{n, Placeholder(n), QString(), QString()};
    MasterKey::ForEachRow(dm, OptionListSql(), [&](FbQuery& q) {
        const int n = q.fieldByName(QStringLiteral("OPTION_ID")).asInteger();
        if (n >= 1 && n <= 20) {
            OptionSlot& slot = result[n - 1];
            slot.OptionId = QString::number(n);
            slot.Caption = q.fieldByName(QStringLiteral("DESP_NAME")).asString();
            slot.Code = q.fieldByName(QStringLiteral("FIELD_TYPE")).asString().trimmed();
        }
    });
    return result;
}

QString ChoiceListSql(const QString& optionId, bool showDeleted)
{
    return QStringLiteral("select * from OPTION_D_M  where OPTION_ID = ") + optionId +
           (showDeleted ? QString() : QStringLiteral(" and DEL_DT is null")) + QStringLiteral(" order by LIST_ID");
}

QList<MasterRow> LoadChoices(TdmCmn& dm, const QString& optionId, bool showDeleted)
{
    return MasterKey::ReadRows(dm, ChoiceListSql(optionId, showDeleted), QStringLiteral("DID"), QStringLiteral("DNAME"));
}

QString ChoiceKeySql(const QString& optionId, const QString& did)
{
    return QStringLiteral("select DEL_DT from OPTION_D_M where OPTION_ID = ") + optionId + QStringLiteral(" and DID = ") +
           QuotedSql(did);
}

int ChoiceDelState(TdmCmn& dm, const QString& optionId, const QString& did)
{
    int state = -1;
    MasterKey::ForEachRow(dm, ChoiceKeySql(optionId, did), [&](FbQuery& q) {
        state = q.fieldByName(QStringLiteral("DEL_DT")).isNull() ? 0 : 1;
    });
    return state;
}

QString ChoiceInsertSql(const QString& optionId, const QString& did, const QString& name, const QString& listId)
{
    return QStringLiteral("insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (") + optionId +
           QStringLiteral(", ") + QuotedSql(did) + QStringLiteral(", ") + QuotedSql(name) + QStringLiteral(", ") +
           QuotedSql(listId) + QStringLiteral(")");
}

QString ChoiceUpdateSql(const QString& optionId, const QString& did, const QString& name, const QString& listId)
{
    return QStringLiteral("update OPTION_D_M set  DNAME = ") + QuotedSql(name) + QStringLiteral(", ") +
           QStringLiteral(" LIST_ID = ") + QuotedSql(listId) + QStringLiteral(", ") + QStringLiteral(" DEL_DT = null") +
           QStringLiteral(" where OPTION_ID = ") + optionId + QStringLiteral(" and DID = ") + QuotedSql(did);
}

QString ChoiceDeleteSql(const QString& optionId, const QString& did, const QDateTime& now)
{
    return QStringLiteral("update OPTION_D_M set DEL_DT = ") + SqlDateTime(now) + QStringLiteral(" ") +
           QStringLiteral(" where OPTION_ID = ") + optionId + QStringLiteral(" and DID = ") + QuotedSql(did);
}

QString FieldDeleteSql(const QString& optionId, const QDateTime& now)
{
    return QStringLiteral("update OPTION_M set DEL_DT = ") + SqlDateTime(now) + QStringLiteral(" ") +
           QStringLiteral("where OPTION_ID = ") + optionId;
}

QString FieldUpdateSql(int number, const QString& caption, const QString& code)
{
    const QString n = QString::number(number);
    return QStringLiteral("update OPTION_M set DESP_NAME = ") + QuotedSql(caption) + QStringLiteral(", ") +
           QStringLiteral("FIELD_TYPE = ") + QuotedSql(code) + QStringLiteral(", ") + QStringLiteral("LIST_NO = ") + n +
           QStringLiteral(", ") + QStringLiteral("DEL_DT = null ") + QStringLiteral("where OPTION_ID = ") + n;
}

QString FieldInsertSql(int number, const QString& caption, const QString& code)
{
    const QString n = QString::number(number);
    return QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO) values (") + n +
           QStringLiteral(", ") + QuotedSql(caption) + QStringLiteral(", ") + QuotedSql(code) + QStringLiteral(", ") +
           n + QStringLiteral(")");
}

QString FieldSaveSql(TdmCmn& dm, int number, const QString& caption, const QString& code)
{
    return dm.ExistsKey(QStringLiteral("OPTION_M"), QStringLiteral("OPTION_ID"), QString::number(number))
               ? FieldUpdateSql(number, caption, code)
               : FieldInsertSql(number, caption, code);
}

} // namespace CustOption
