#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What an export file looks like apart from its records: the spreadsheet's title, the
// column captions (the header line of the text format), and per column its spreadsheet
// width in characters (0: the default) and whether it has the text number format "@".
struct ExportLayout
{
    QString title;
    QStringList captions;
    QList<double> widths;
    QList<bool> textColumns;
    // The memo-type column, whose line breaks the text format may remove; -1 for none.
    int memoColumn = -1;
};
