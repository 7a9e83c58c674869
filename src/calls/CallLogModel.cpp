#include "calls/CallLogModel.h"

#include "core/NumberDisplay.h"

#include <QSet>

namespace {
const QString& cellOf(const TLogRow& r, int column)
{
    switch (column) {
    case 0:
        return r.DtFrom;
    case 1:
        return r.TelNo;
    case 2:
        return r.TelType;
    case 3:
        return r.PortNo;
    case 4:
        return r.Caller;
    case 5:
        return r.TelMemo;
    case 6:
        return r.ActNo;
    case 7:
        return r.CustTelNon;
    case 8:
        return r.ReadName;
    default:
        return r.LogNo;
    }
}
} // namespace

CallLogModel::CallLogModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int CallLogModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return FRows.isEmpty() ? 1 : int(FRows.size());
}

int CallLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

const TLogRow* CallLogModel::RowAt(int row) const
{
    if (row < 0 || row >= FRows.size())
        return nullptr;
    return &FRows.at(FRows.size() - 1 - row);
}

QString CallLogModel::Text(int row, int column) const
{
    const TLogRow* r = RowAt(row);
    return r && column >= 0 && column < kColumns ? cellOf(*r, column) : QString();
}

QVariant CallLogModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const TLogRow* r = index.isValid() ? RowAt(index.row()) : nullptr;
    if (!r)
        return QVariant();
    // Shown grouped; Text and the edit role keep the stored form for lookups and copies.
    if (role == Qt::DisplayRole && (index.column() == 1 || index.column() == 7))
        return NumberDisplay::Show(cellOf(*r, index.column()));
    return cellOf(*r, index.column());
}

QVariant CallLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const kTitles[kColumns] = {"発着信日時", "電話番号", "区分", "ポート", "顧客名", "メモ", "対応", "", "", ""};
    if (section < 0 || section >= kColumns)
        return QVariant();
    return QString::fromUtf8(kTitles[section]);
}

void CallLogModel::IndexRow(int at)
{
    const TLogRow& r = FRows.at(at);
    FByTelNo[r.TelNo].append(at);
    FMaxLogNo = qMax(FMaxLogNo, r.LogNo.toInt());
}

void CallLogModel::Reset(const QDate& day, TCallKind kind, const QList<TLogRow>& rows, const QList<QDateTime>& times)
{
    beginResetModel();
    FDay = day;
    FKind = kind;
    FLoaded = true;
    FRows.clear();
    FRows.reserve(rows.size());
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        FRows.append(*it);
    FNewest = times.isEmpty() ? QDateTime() : times.first();
    FMaxLogNo = 0;
    FByTelNo.clear();
    for (int i = 0; i < FRows.size(); ++i)
        IndexRow(i);
    endResetModel();
}

bool CallLogModel::Merge(const QList<TLogRow>& newer, const QList<QDateTime>& times)
{
    if (newer.isEmpty())
        return true;
    if (newer.size() != times.size())
        return false;
    // The day is ordered by time, then by LOG_NO: rows above every LOG_NO shown go on top
    // when their time is not older than the newest shown (calls of the same second tie).
    if (FNewest.isValid())
        for (const QDateTime& t : times)
            if (t < FNewest)
                return false;

    // Earlier rows of the numbers that called again take the names the new rows carry.
    QSet<QString> seen;
    for (const TLogRow& n : newer) {
        if (seen.contains(n.TelNo))
            continue;
        seen.insert(n.TelNo);
        const auto at = FByTelNo.constFind(n.TelNo);
        if (at == FByTelNo.constEnd())
            continue;
        for (int i : *at) {
            TLogRow& row = FRows[i];
            if (row.Caller == n.Caller && row.CustTelNon == n.CustTelNon && row.ReadName == n.ReadName)
                continue;
            row.Caller = n.Caller;
            row.CustTelNon = n.CustTelNon;
            row.ReadName = n.ReadName;
            const int shown = int(FRows.size()) - 1 - i;
            emit dataChanged(index(shown, 4), index(shown, 8), {Qt::DisplayRole});
        }
    }

    const bool wasEmpty = FRows.isEmpty();
    if (wasEmpty)
        beginResetModel(); // the empty row gives way to the calls
    else
        beginInsertRows(QModelIndex(), 0, int(newer.size()) - 1);
    for (auto it = newer.crbegin(); it != newer.crend(); ++it) {
        FRows.append(*it);
        IndexRow(int(FRows.size()) - 1);
    }
    FNewest = times.first();
    if (wasEmpty)
        endResetModel();
    else
        endInsertRows();
    return true;
}
