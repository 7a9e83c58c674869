#pragma once

#include <QString>

// The file an export writes. Everything goes into a temporary file in the target's folder,
// which replaces the target only when it is complete: a failed export leaves the old file
// (if any) as it was and no truncated file that looks complete.
class ExportTarget
{
public:
    // Creates the temporary file; throws AppError when the folder does not allow it.
    explicit ExportTarget(const QString& path);
    // Removes the temporary file unless it was committed.
    ~ExportTarget();
    ExportTarget(const ExportTarget&) = delete;
    ExportTarget& operator=(const ExportTarget&) = delete;

    const QString& path() const { return FPath; }
    // Where the writers write.
    const QString& tempPath() const { return FTempPath; }
    // Puts the temporary file in the target's place in one step; throws AppError on failure.
    void commit();

private:
    QString FPath;
    QString FTempPath;
    bool FCommitted = false;
};
