#pragma once

#include "logs/ExportRules.h"

#include <QDate>
#include <QString>

#include <functional>

class FbDatabase;

struct ExportRequest
{
    ExportKind kind = ExportKind::Calls;
    QString path;
    QDate first; // the period of calls and responses
    QDate last;
    bool removeLineBreaks = true; // text format: CR and LF dropped from the memo-type column
    // The command-line tool replaces an existing file without the question.
    bool askBeforeOverwrite = true;
};

// Runs one export from the path checks to the finished file, with the messages of each
// early end. The file appears only when it is complete (see ExportTarget).
class DataExporter
{
public:
    enum Outcome {
        Done,        // written; the caller announces it
        PathRejected, // a path check failed (warned)
        Cancelled,    // the existing-file question was answered Cancel
        Refused,      // the file cannot be replaced, or the records do not fit (warned)
        Stopped       // the progress callback asked to stop; nothing written
    };

    explicit DataExporter(FbDatabase& db) : FDb(db) {}

    // Called once the records are counted, with their number.
    void setCounted(std::function<void(qint64 total)> counted) { FCounted = std::move(counted); }
    // Called after each record; returning false stops the export.
    void setProgress(std::function<bool(qint64 done)> progress) { FProgress = std::move(progress); }

    // Throws AppError when reading or writing fails; the old file is then untouched.
    Outcome Run(const ExportRequest& request);
    ExportRules::PathProblem pathProblem() const { return FPathProblem; }
    qint64 recordsWritten() const { return FDone; }

    // Texts of the early ends.
    static QString OverwriteQuestion();
    static QString CannotReplaceMessage();
    static QString WorkbookFailedMessage();
    static QString DoneMessage();

private:
    Outcome write(const ExportRequest& request, const QString& tempPath, qint64 total, int maxCustNo);
    bool advance();

    FbDatabase& FDb;
    std::function<void(qint64)> FCounted;
    std::function<bool(qint64)> FProgress;
    ExportRules::PathProblem FPathProblem = ExportRules::PathProblem::None;
    qint64 FDone = 0;
};
