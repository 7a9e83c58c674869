#pragma once

#include "logs/ExportLayout.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The four exports: what each reads, in which order, and how its file is laid out.
enum class ExportKind { Calls, Responses, Customers, PhoneBook };
// Chosen by the file's extension: "XLS" the legacy workbook, "XLSX" the Office Open XML
// workbook, anything else the comma-separated text.
enum class ExportFormat { Text, Xls, Xlsx };

// An active customer option field as a column of the customer list.
struct ExportOptionColumn
{
    int id = 0;
    QString caption;
    bool choice = false; // FIELD_TYPE "m": the value is the name of the chosen entry
};

namespace ExportRules {

enum class PathProblem { None, Empty, NoFolder, NoFileName, NoExtension };

ExportFormat FormatOf(const QString& path);
// The checks of the output path, in their order.
PathProblem CheckPath(const QString& path);
QString PathMessage(PathProblem problem);
// Customers and phone book ask before they replace an existing file; the others overwrite it.
bool AsksBeforeOverwrite(ExportKind kind);
// Records a workbook of that format holds below its title and captions (-1: no limit).
int RecordLimit(ExportFormat format);
QString RowLimitMessage(ExportFormat format);
bool HasPeriod(ExportKind kind);
// Whether the kind's memo-type column exists (its line breaks may be removed).
bool HasMemo(ExportKind kind);

// The save chooser's file types ("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)" first, then CSV, XLS and XLSX), the one
// preselected for a path (by its extension; text when none matches), and a file name given
// the extension of a type.
QStringList FileTypes();
int FileTypeOf(const QString& path);
QString WithFileType(const QString& path, int type);

// "where <column> >= 'first'\r\nand <column> < 'day after last'\r\n".
QString PeriodCondition(const QString& column, const QDate& first, const QDate& last);
QString CountSql(ExportKind kind, const QDate& first, const QDate& last);
// The records of calls, responses and the phone book (customers are read in blocks).
QString RecordSql(ExportKind kind, const QDate& first, const QDate& last);

QString OptionColumnsSql();
QString OptionCaption(int id, const QString& name);
// The customer statements, one per block of 10000 customer numbers up to maxCustNo.
QStringList CustomerBlockSql(const QList<ExportOptionColumn>& options, int maxCustNo);

ExportLayout Layout(ExportKind kind, const QDate& first, const QDate& last, const QDateTime& now,
                    const QList<ExportOptionColumn>& options = {});
// The title's period date: yyyy年mm月dd日.
QString TitleDate(const QDate& d);

} // namespace ExportRules
