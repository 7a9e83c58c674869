#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Reading a file someone else wrote: its encoding, its CSV records or its vCards. Nothing
// here knows the database; a problem that spoils the whole file is reported as a text, a
// problem of one record stays with that record.
namespace ImportSource {

// Files above this size are refused unread: a customer list is a few tens of megabytes.
constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;
// A header with more columns is no list of customers.
constexpr int kMaxColumns = 1000;

struct Decoded
{
    QString text;
    QString encoding; // "UTF-8", "UTF-8 (BOM)" or "Shift-JIS"
    QString problem;  // non-empty: the file cannot be read as text
};

// Shift-JIS (CP932) or UTF-8 with or without a byte-order mark. A file valid as UTF-8 is
// UTF-8; otherwise it must be valid CP932. NUL bytes mean a file that is not text.
Decoded Decode(const QByteArray& bytes);
// Reads and decodes a file, refusing one too large or unreadable.
Decoded ReadFile(const QString& path);

struct CsvRecord
{
    int line = 0; // the line where the record begins, from 1
    QStringList fields;
    QString problem; // non-empty: the record is broken (an unclosed quote)
};

struct CsvTable
{
    QChar separator = QLatin1Char(',');
    QStringList header;
    int headerLine = 1;
    QList<CsvRecord> records;
    QString problem; // the whole file is unusable
};

// Comma- or tab-separated records (the header line decides which), fields in double quotes
// may hold separators, doubled quotes and line breaks; CR LF or LF. Empty lines are skipped.
CsvTable ParseCsv(const QString& text);

struct VTel
{
    QString number;
    QStringList types; // upper case: WORK, MAIN, CELL, HOME, FAX, VOICE…
};

struct VCard
{
    int number = 0; // the card's place in the file, from 1
    int line = 0;   // the line of its BEGIN:VCARD
    QString version;
    QString formattedName;
    QString family, given;
    QString phoneticFamily, phoneticGiven, sortString;
    QList<VTel> tels;
    QStringList emails;
    QString postalCode, address;
    QString org, note, birthday, url;
    QString problem; // non-empty: the card is broken (no END:VCARD)
};

// True when the text begins (after blanks) with BEGIN:VCARD.
bool LooksLikeVCard(const QString& text);
// Cards of versions 2.1, 3.0 and 4.0: folded lines, groups ("item1.TEL"), QUOTED-PRINTABLE
// with its soft line breaks, CHARSET= of 2.1, backslash escapes of 3.0 and 4.0.
QList<VCard> ParseVCards(const QString& text);

} // namespace ImportSource
