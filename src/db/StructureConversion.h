#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// A database file of an older on-disk structure than the embedded engine writes (structure
// 12 of Firebird 3, which Firebird 4 no longer opens), carried over in one step with the
// backup tool of each series, which Debian installs side by side:
//   1. a copy of the file (an attachment writes to the file it opens) has every table's rows
//      counted by the older engine and is backed up by the older gbak;
//   2. the backup restored by the current gbak to "<file>.convert";
//   3. the result opened by this process's engine and every table counted again;
//   4. the original kept under a second name ("<file>_ods<N>_<yyyymmdd_hhnnss>", a hard link,
//      else a complete copy), then the result renamed over the file in one step.
// Until that rename the file is the untouched original; a conversion killed before it leaves
// only "<file>.convert*" files, which the next attempt removes before it starts again.
class StructureConversion
{
public:
    explicit StructureConversion(const QString& file);

    // The major on-disk structure in a database file's header page; 0 when the file cannot
    // be read or is no Firebird database.
    static int FileStructure(const QString& file);
    // The structure the engine in this process writes (12 for Firebird 3, 13 for Firebird 4).
    static int EngineStructure();
    // A local file whose structure the engine in this process no longer opens, and which a
    // conversion can carry over.
    static bool Needed(const QString& file);

    // Keep the original under a second name (the default). A restore converts its own
    // staged copy and keeps nothing.
    void setKeepOriginal(bool keep) { FKeepOriginal = keep; }
    // Asked while the tools run; true stops the conversion, the file stays as it was.
    void setCancelled(std::function<bool()> cancelled) { FCancelled = std::move(cancelled); }

    // Runs the steps; false when the file is unchanged, Failure() saying why.
    bool Run();

    const QString& Failure() const { return FFailure; }
    // Where the original was kept (empty when it was not).
    const QString& KeptOriginal() const { return FKept; }
    int FromStructure() const { return FFrom; }
    // Rows per table, counted before (and found equal after) the conversion.
    const QMap<QString, qint64>& Rows() const { return FRows; }
    qint64 TotalRows() const;
    // What was done, a line a step with its time, for the diagnostic log.
    const QStringList& Steps() const { return FSteps; }

    // The program's start-up: a database file of an older structure is converted before the
    // first attachment, with a message before and after and every step in the diagnostic
    // log. A stop request ends the conversion with the file as it was. False when the file
    // needed converting and was not converted.
    static bool ConvertAtStart(const QString& file);

    // The tools' refusal for a database file of an older structure, naming the file and how
    // to convert it; empty when the file is not one.
    static QString ToolRefusal(const QString& file);

    // The texts the program shows before and after a conversion of its database.
    static QString NoticeBefore(const QString& file);
    QString NoticeAfter() const;
    QString NoticeFailed() const;

private:
    bool runTool(const QString& series, const QString& tool, const QStringList& args, const QString& lockDir,
                 QString* output);
    bool countWithOlderEngine(const QString& file, const QString& series, const QString& lockDir,
                              QMap<QString, qint64>* rows, QString* owner);
    bool countWithThisEngine(const QString& file, QMap<QString, qint64>* rows);
    void removeLeftovers() const;

    QString FFile;
    bool FKeepOriginal = true;
    std::function<bool()> FCancelled;
    QString FFailure;
    QString FKept;
    int FFrom = 0;
    QMap<QString, qint64> FRows;
    QStringList FSteps;
};
