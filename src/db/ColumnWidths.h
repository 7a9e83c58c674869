#pragma once

#include <QHash>
#include <QString>

class FbDatabase;

// Declared widths of the database's text columns, read once from the database's own
// catalogue: a database made elsewhere may have other widths than ours. Widths are in bytes,
// the unit in which input lengths are counted (Shift-JIS: a full-width character takes two).
class ColumnWidths
{
public:
    // The width of table.column, or -1 when the column is unknown or not text.
    static int Width(const QString& table, const QString& column);
    // Reads the catalogue through the process's data module on first use; tests and a
    // reconnection to another database start over.
    static void Reset();
    // Loads from a given connection (used by Width on first use).
    static void Load(FbDatabase& db);

private:
    static QHash<QString, int>& cache();
    static bool& loaded();
};
