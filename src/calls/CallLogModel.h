#pragma once

#include "calls/CallLog.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>

// The day's calls as the call-log grid shows them, newest first. Rows are kept oldest first
// so that a new call is an append: only the new rows are announced to the view, whatever
// the size of the day. Merge only accepts what leaves the rows exactly as a full reload of
// the day would; anything else (a call older than the newest shown) asks for that reload.
// A day without calls shows one empty row, as the grid always has.
class CallLogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumns = 10;

    explicit CallLogModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // rows, times: a full load of the day, newest first. One model reset.
    void Reset(const QDate& day, TCallKind kind, const QList<TLogRow>& rows, const QList<QDateTime>& times);
    // Forgets which day is loaded (the next refresh reads the whole day); the rows stay shown.
    void Clear() { FLoaded = false; }
    bool Shows(const QDate& day, TCallKind kind) const { return FLoaded && day == FDay && kind == FKind; }
    bool IsEmpty() const { return FRows.isEmpty(); }
    int MaxLogNo() const { return FMaxLogNo; }
    // The text of a cell; empty outside the calls.
    QString Text(int row, int column) const;

    // newer: the day's rows with a LOG_NO above MaxLogNo, newest first, with their times.
    // Puts them on top and gives earlier rows of the same numbers the current names. False
    // (and nothing changed) when one is older than the newest row shown.
    bool Merge(const QList<TLogRow>& newer, const QList<QDateTime>& times);

private:
    const TLogRow* RowAt(int row) const;
    void IndexRow(int at);

    QDate FDay;
    TCallKind FKind = TCallKind::All;
    bool FLoaded = false;
    QList<TLogRow> FRows; // oldest first
    QHash<QString, QList<int>> FByTelNo; // positions in FRows of each number's rows
    QDateTime FNewest;
    int FMaxLogNo = 0;
};
