#pragma once

#include "calls/CallLog.h"
#include "db/TCust.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class TdmCmn;

// The customer frame's database work: loading a customer for a number, saving, deleting and
// the three lists. Statements run on the data module's shared queries and are logged.
class CustStore
{
public:
    explicit CustStore(TdmCmn& dm) : FDm(dm) {}

    // The key of a number: its phone-book entry's representative number, else the number.
    QString KeyOf(const QString& number);
    // The customer of a key, with its picture when it has one stored.
    bool Load(const QString& key, TCust& cust, QImage* picture = nullptr);

    enum class SaveResult { Saved, Duplicate };
    struct SaveOutcome
    {
        SaveResult Result = SaveResult::Saved;
        qint32 CustNo = -1;
        bool TelsChanged = false;
    };
    // Inserts (CustNo -1) or updates; a customer whose key another customer has writes nothing.
    // picture: stored (scaled down) when not null; a null picture leaves AVATER as it is.
    SaveOutcome Save(const TCust& cust, const QImage& picture);
    // Removes the customer and its responses; calls and phone-book entries stay.
    void Delete(qint32 custNo);

    // Rows of the related numbers: TEL_NO, CALLER, READ_NAME, "1" when flagged 要注意, the note.
    QList<QStringList> TelsRows(const QString& key);
    // The call history in the columns of the main window's call log.
    QList<TLogRow> LogRows(const QString& key);
    // Responses: ACT_DT, TITLE, TYPE_NAME, RESULT_NAME, USERNM, ACT_NO, (empty), CONTENT.
    QList<QStringList> AcceptRows(qint32 custNo);

    static QString TelsSql(const QString& key);
    static QString LogSql(const QString& key);
    static QString AcceptSql(qint32 custNo);

private:
    TdmCmn& FDm;
};
