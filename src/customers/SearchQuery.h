#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class FbQuery;

// What the search dialog lists in each of its modes, the statements it runs and the keys of
// its remembered state.
class SearchQuery
{
public:
    enum Mode { Tels = 0, Interface = 1, Customers = 2 };
    struct Column
    {
        QString Header;
        int Width;
        QString Field;
    };
    struct Item
    {
        QString Caption;
        QString Column;
        // 0 input method off, 1 hiragana, 2 the reading's input mode
        int InputMode;
    };

    SearchQuery(Mode mode, int kanaType);

    Mode mode() const { return FMode; }
    QString Caption() const;
    const QList<Column>& Columns() const { return FColumns; }
    const QList<Item>& Items() const { return FItems; }

    QString InitialSql() const;
    // The statement for typed text on item; blanks only give the initial statement.
    QString SearchSql(int item, const QString& typed, bool anywhere) const;
    // Runs sql and returns the rows in column order. After a search, rows whose decoded column
    // does not match the pattern are dropped (the database compares Shift-JIS bytes).
    QList<QStringList> Run(FbQuery& query, const QString& sql, int item = -1, const QString& typed = QString(),
                           bool anywhere = false) const;

    // Settings keys of section SEARCH.
    QString WidthKey() const;
    QString IndexKey() const;
    QString PartKey() const;
    QString DefaultIndex() const;

private:
    // A number searched for is written as numbers are stored: in the national form.
    QString SearchText(int item, const QString& typed) const;
    Mode FMode;
    QList<Column> FColumns;
    QList<Item> FItems;
};
