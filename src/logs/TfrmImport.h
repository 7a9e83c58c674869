#pragma once

#include "imports/ImportPlan.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class TdmCmn;

// "データ取込": customers or the phone book from a CSV file or vCards. Reading, mapping,
// planning and writing are ImportPlanner's and ImportWriter's; this dialog shows the first
// rows with a field chooser per column, the plan, and the progress.
class TfrmImport : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmImport(TdmCmn& dm, QWidget* parent = nullptr);
    ~TfrmImport() override;

    // Reads the file of edtPath (the mapping step shows its columns).
    void btnLoadClick();
    // Plans with the chosen mapping and options and shows the counts and refused rows.
    void btnPlanClick();
    // Asks, then writes the plan.
    void btnImportClick();
    // Ends a running import (rolled back) and closes the dialog: the program is stopping.
    void StopImport();
    bool Importing() const { return FImporting; }
    ImportMapping Mapping() const;
    ImportTarget Target() const;
    const ImportPlan& CurrentPlan() const { return FPlanner.plan(); }

    // The open chooser: the chosen path or empty for Cancel. Tests replace it.
    std::function<QString(const QString& path)> ChooseFile;

    QRadioButton* rbCustomers;
    QRadioButton* rbTels;
    QLineEdit* edtPath;
    QPushButton* btnRef;
    QPushButton* btnLoad;
    QLabel* lblSource;
    QTableWidget* sgdMapping;
    QComboBox* cbxDuplicate;
    QCheckBox* chkCut;
    QPushButton* btnPlan;
    QLabel* lblSummary;
    QListWidget* lstNotes;
    QProgressBar* pgbImport;
    QLabel* lblSpeed;
    QPushButton* btnImport;
    QPushButton* btnStop;
    QPushButton* btnClose;

signals:
    // Rows were written: the main window reloads its lists.
    void imported();

public slots:
    void reject() override;

private:
    ImportOptions Options() const;
    void ShowMapping();
    void SetBusy(bool busy);

    TdmCmn& FDm;
    ImportPlanner FPlanner;
    bool FLoaded = false;
    bool FPlanned = false;
    bool FImporting = false;
    bool FStopRequested = false;
};
