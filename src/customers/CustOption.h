#pragma once

#include "db/MasterKey.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class TdmCmn;

// One of the twenty positions of the option list.
struct OptionSlot
{
    int Position = 0;     // 1-20
    QString Caption;      // DESP_NAME, or "(予備nn)" when undefined
    QString OptionId;     // empty for a placeholder
    QString Code;         // FIELD_TYPE
    bool Defined() const { return !OptionId.isEmpty(); }
};

// The rules of the customer option fields (OPTION_M) and their choices (OPTION_D_M).
namespace CustOption {

// The kinds of value, paired by position; position 0 is the empty entry.
QStringList KindNames();
QStringList KindCodes();
// Position of a code in the kind lists, 0 when it is none of the six.
int KindIndex(const QString& code);
QString KindName(const QString& code);
QString Placeholder(int position);

QString OptionListSql();
QList<OptionSlot> LoadSlots(TdmCmn& dm);

QString ChoiceListSql(const QString& optionId, bool showDeleted);
QList<MasterRow> LoadChoices(TdmCmn& dm, const QString& optionId, bool showDeleted);
QString ChoiceKeySql(const QString& optionId, const QString& did);
// -1 absent, 0 active, 1 deleted.
int ChoiceDelState(TdmCmn& dm, const QString& optionId, const QString& did);
QString ChoiceInsertSql(const QString& optionId, const QString& did, const QString& name, const QString& listId);
QString ChoiceUpdateSql(const QString& optionId, const QString& did, const QString& name, const QString& listId);
QString ChoiceDeleteSql(const QString& optionId, const QString& did, const QDateTime& now);

QString FieldDeleteSql(const QString& optionId, const QDateTime& now);
// Defines field number (also a deleted one, which is revived with its old choices).
QString FieldUpdateSql(int number, const QString& caption, const QString& code);
QString FieldInsertSql(int number, const QString& caption, const QString& code);
// The statement that defines field number as caption and code: update when a row exists.
QString FieldSaveSql(TdmCmn& dm, int number, const QString& caption, const QString& code);

} // namespace CustOption
