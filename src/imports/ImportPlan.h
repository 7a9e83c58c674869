#pragma once

#include "db/TCust.h"
#include "db/TTels.h"
#include "imports/ImportSource.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class TdmCmn;

// What an import brings in and how it treats what is already there, planned completely
// before anything is written.
enum class ImportTarget { Customers, PhoneBook };
enum class OnDuplicate { Skip, Fill, Replace };

// A customer field a column can be mapped to. Option1 + n - 1 is option field n.
enum class ImportField {
    None = 0, Name, Kana, Tel, Fax, Zip, Address, MapUrl, Email, HpUrl, Others, BirthDate, Sex, User,
    // phone book columns
    TelNo, CustKey, Caller, ReadName,
    Option1, Option20 = Option1 + 19
};

inline size_t qHash(ImportField f, size_t seed = 0) noexcept
{
    return ::qHash(int(f), seed);
}

namespace ImportFields {
// The caption shown in the mapping step ("取り込まない" for None).
QString Caption(ImportField f);
// The name used on the command line (name, reading, tel, …, option1…option20).
QString Key(ImportField f);
ImportField FromKey(const QString& key); // None when unknown
// The fields a column of a customer list can be mapped to, None first.
QList<ImportField> CustomerChoices();
// A guess from a column's caption (the export's captions and common words), None when none fits.
ImportField Guess(const QString& caption);
}

// Column i of the file goes to fields[i] (None: not taken).
struct ImportMapping
{
    QList<ImportField> fields;
    bool isEmpty() const;
    // "COLUMN=FIELD,…" of the command line; COLUMN is a caption of the header or its number
    // from 1. False with *error set for a caption or field not known.
    static bool Parse(const QString& text, const QStringList& header, ImportMapping* out, QString* error);
    QString ToText() const;  // field keys joined by commas, as remembered
    static ImportMapping FromText(const QString& text, int columns);
};

// Mappings remembered per header line, in a file beside the settings.
namespace ImportMappings {
QString FilePath();
ImportMapping Recall(const QStringList& header, bool* found = nullptr);
void Remember(const QStringList& header, const ImportMapping& mapping);
}

struct ImportOptions
{
    ImportTarget target = ImportTarget::Customers;
    OnDuplicate onDuplicate = OnDuplicate::Skip;
    bool allowCut = false; // a field longer than its column is cut (with a warning) instead of refused
    int kanaType = 0;      // KANA_TYPE for readings filled from the name
};

struct ImportNote
{
    int line = 0; // line of the file, or the card's number for vCards
    bool card = false;
    bool refused = true; // false: a warning (a field was cut)
    QString reason;
    QString Text() const; // "3 行目: …" / "カード 3: …"
};

// One row of the file as it will be written.
struct PlannedRow
{
    enum Action { New, Update, Unchanged, Duplicate, Refused };
    Action action = New;
    int line = 0;
    TCust cust;
    TTels tels;                   // phone-book imports
    QList<TTels> extraTels;       // the further numbers of a vCard
};

struct ImportPlan
{
    QString problem; // non-empty: nothing can be taken from the file
    enum class Layout { OwnCustomers, OwnPhoneBook, Mapped, VCard } layout = Layout::Mapped;
    QString encoding;
    QStringList header;
    QList<QStringList> preview; // the first rows as read, for the mapping step
    QList<PlannedRow> rows;
    QList<ImportNote> notes; // refused and shortened rows, in file order
    int newCount = 0, updated = 0, unchanged = 0, duplicates = 0, refused = 0;
    int toWrite() const { return newCount + updated; }
    QString Summary() const; // the counts in one line
};

// Reads and plans an import. The file is parsed once (Load); Plan can then be run again with
// other options or another mapping without reading it again.
class ImportPlanner
{
public:
    explicit ImportPlanner(TdmCmn& dm) : FDm(dm) {}
    // Reads the file and recognises its layout; false when nothing can be read (plan().problem).
    bool Load(const QString& path, ImportTarget target);
    bool LoadText(const QByteArray& bytes, ImportTarget target); // the same from memory
    // Builds the plan against the database. mapping is used for Layout::Mapped only.
    const ImportPlan& Plan(const ImportOptions& options, const ImportMapping& mapping = {});
    const ImportPlan& plan() const { return FPlan; }
    ImportPlan::Layout layout() const { return FPlan.layout; }
    const QStringList& header() const { return FTable.header; }

private:
    bool loadDecoded(const ImportSource::Decoded& d, ImportTarget target);
    // A row of the file turned into a customer, before the checks.
    struct Incoming
    {
        int line = 0;
        bool card = false;
        TCust cust;
        QSet<ImportField> provided;
        QStringList extraNumbers;
        QString problem;
    };
    Incoming fromRecord(const ImportSource::CsvRecord& r, const ImportMapping& mapping, const ImportOptions& options);
    Incoming fromCard(const ImportSource::VCard& card, const ImportOptions& options);
    void planCustomers(const ImportOptions& options, int count, const std::function<Incoming(int)>& make);
    void planPhoneBook(const ImportOptions& options, const ImportMapping& mapping);
    // CP932 and the column's width; false (the row refused) when the value cannot be stored.
    bool checkText(int line, bool card, const char* table, const char* column, const QString& caption,
                   QString& value, const ImportOptions& options);
    void note(int line, bool card, bool refused, const QString& reason);
    void loadLookups();

    TdmCmn& FDm;
    ImportPlan FPlan;
    ImportSource::CsvTable FTable;
    QList<ImportSource::VCard> FCards;
    QString FFileProblem;
    // user name -> USERID, option id -> (choice name -> DID), option id -> is a choice field
    QHash<QString, QString> FUsers;
    QHash<int, QHash<QString, QString>> FChoices;
    QHash<int, bool> FChoiceField;
    QHash<QString, int> FOptionByCaption;
};

// Writes a plan: a backup copy of the database first, then every row in one transaction.
class ImportWriter
{
public:
    enum Outcome { Done, Nothing, BackupFailed, Stopped, Failed };
    explicit ImportWriter(TdmCmn& dm) : FDm(dm) {}
    // Called every few rows with the rows written, their total and the rows per second;
    // returning false stops: the transaction is rolled back.
    void setProgress(std::function<bool(int done, int total, double perSecond)> progress)
    {
        FProgress = std::move(progress);
    }
    // The backup: the database file and the backup folder of the settings (an empty folder
    // means no copy can be made, and nothing is written).
    void setBackup(const QString& databasePath, const QString& folder, int keep)
    {
        FDbPath = databasePath;
        FFolder = folder;
        FKeep = keep;
    }
    Outcome Write(const ImportPlan& plan, ImportTarget target);
    QString failure() const { return FFailure; }
    QString backupCopy() const { return FCopy; }
    int written() const { return FWritten; }

    static QString NoBackupFolderMessage();

private:
    TdmCmn& FDm;
    std::function<bool(int, int, double)> FProgress;
    QString FDbPath, FFolder, FFailure, FCopy;
    int FKeep = 0;
    int FWritten = 0;
};
