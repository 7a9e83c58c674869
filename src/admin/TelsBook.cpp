#include "admin/TelsBook.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/PhoneNumberForm.h"
#include "core/StartupSettings.h"
#include "db/FbQuery.h"
#include "db/QueryGuard.h"
#include "db/TdmCmn.h"
#include "db/UnknownCaller.h"

TelsBook::Buttons TelsBook::ButtonsFor(Mode mode, const TTels& shown)
{
    Buttons b{};
    const bool browse = mode == Mode::Browse;
    b.TelNo = mode == Mode::Add;
    b.Others = !browse;
    b.Add = browse;
    b.Edit = browse && !shown.TelNo.isEmpty();
    b.Delete = browse && !(shown.TelNo.isEmpty() && shown.Caller.isEmpty() && shown.ReadName.isEmpty());
    b.Search = browse;
    b.OkCancel = !browse;
    b.Close = browse;
    return b;
}

TTels TelsBook::Normalised(const TTels& typed)
{
    return TTels{PhoneNumberForm::Typed(typed.TelNo),
                 PhoneNumberForm::Typed(typed.CustTelNon),
                 typed.Caller,
                 typed.ReadName,
                 typed.Caution,
                 typed.Caution ? typed.CautionNote.trimmed() : QString()};
}

bool TelsBook::OffersCustomer(const TTels& entry)
{
    if (entry.TelNo.isEmpty() || !(entry.CustTelNon.isEmpty() || entry.CustTelNon == entry.TelNo) ||
        entry.Caller == GUnknownName || entry.Caller == StoredUnknownName())
        return false;
    const QString table = GTableName.isEmpty() ? QStringLiteral("CUSTOMER") : GTableName;
    const QString column = GCustTelFname.isEmpty() ? QStringLiteral("CUST_TEL_NON") : GCustTelFname;
    const QString sql = QStringLiteral("select * from ") + table + QStringLiteral(" where ") + column +
                        QStringLiteral(" = ") + QuotedSql(entry.TelNo);
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    FbQuery& q = FDm.sqlWork2;
    QueryGuard guard(q);
    q.setSql(sql);
    q.open();
    const bool found = !q.eof();
    q.close();
    return !found;
}

int TelsBook::InsertCustomer(const TTels& entry)
{
    TCust c;
    c.CustTel = entry.TelNo;
    c.CustTelNon = entry.TelNo;
    c.CustName = entry.Caller;
    c.Sex = -1;
    return FDm.InsertCustData(c);
}

void TelsBook::Store(const TTels& entry)
{
    if (entry.TelNo.isEmpty())
        throw AppError(QStringLiteral("電話番号を入力してください。"));
    if (FDm.ExistsKey(QStringLiteral("TELS"), QStringLiteral("TEL_NO"), QuotedSql(entry.TelNo)))
        FDm.UpdateTels(entry);
    else
        FDm.InsertTels(entry);
    FDm.SetTelsCaution(entry.TelNo, entry.Caution, entry.CautionNote);
}

void TelsBook::Delete(const QString& telNo)
{
    FDm.DeleteByKey(QStringLiteral("TELS"), QStringLiteral("TEL_NO"), QuotedSql(telNo));
}
