#pragma once

#include <QString>
#include <QStringList>

// The database file the program expects to find: dialect 1, default character set NONE,
// the base tables and the generators SEQ_LOG_NO and SEQ_CUST_NO, no users. zuvaro3-initdb,
// the package's installation, the program's first start on a fresh PC and the tests make it
// through here.
namespace InitialDatabase {

// Creates the file (and missing parent folders). Refuses to overwrite an existing file.
// Throws AppError (or DatabaseError) with a message for the user. The owner has every right
// on this database and none on others: the user a shop's server gives the program.
void Create(const QString& path, const QString& owner = QStringLiteral("SYSDBA"));

// Columns of the postal code CSV, in this order: postal code (7 digits, hyphens allowed),
// prefecture code, prefecture name, city code, city name, area name. UTF-8 or CP932; a first
// line that does not start with a digit is taken as a header. Creates POST_M, CITY_M and
// PREF_M when missing and adds the rows. Returns the number of postal code rows loaded. A row
// with too few columns, a code that is not 7 digits after its hyphens are removed, text the
// database cannot hold or a line not in the file's encoding is skipped; skipped receives one
// text per such row, naming its line.
int ImportPostalCsv(const QString& databasePath, const QString& csvPath, QStringList* skipped = nullptr);

} // namespace InitialDatabase
