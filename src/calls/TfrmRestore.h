#pragma once

#include "db/BackupRestore.h"

#include <QDialog>
#include <QList>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

// "バックアップから復元": the dated copies of the backup folder with their time, size and
// newest call (read from each copy, so a damaged one shows as such); restores the chosen
// one after a confirmation. The restore itself is the main window's (Restore).
class TfrmRestore : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmRestore(const QString& backupFolder, QWidget* parent = nullptr);

    // Reads the copies (on a worker thread, serving events meanwhile) and lists them.
    void LoadCopies();
    const QList<BackupRestore::TCopyInfo>& Copies() const { return FCopies; }
    void btnRestoreClick();

    // Restores the copy at the path; true when it is in place.
    std::function<bool(const QString& copy)> Restore;

    static QString SizeText(qint64 bytes);

    QTableWidget* sgdCopies = nullptr;
    QLabel* lblFolder = nullptr;
    QPushButton* btnRestore = nullptr;
    QPushButton* btnClose = nullptr;

private:
    QString FFolder;
    QList<BackupRestore::TCopyInfo> FCopies;
};
