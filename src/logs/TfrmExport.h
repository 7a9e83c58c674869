#pragma once

#include "logs/ExportRules.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWidget;

// "データ出力": the call log, responses, customers or phone book to a text file or a
// workbook. The export itself is DataExporter's; this dialog gathers the inputs, shows the
// progress and keeps the window responsive meanwhile.
class TfrmExport : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmExport(QWidget* parent = nullptr);
    ~TfrmExport() override;

    // Both periods (call log and responses) to one day.
    void SetDay(const QDate& day);
    void btnExportClick();
    void btnRefClick(ExportKind kind);
    // Ends a running export without writing its file and closes the dialog (the program is
    // stopping).
    void StopExport();
    bool Exporting() const { return FExporting; }
    ExportKind ActiveKind() const;

    // The save chooser: given the current path and the preselected file type, the chosen
    // path or empty for Cancel. Tests replace it.
    std::function<QString(const QString& path, int fileType)> ChooseFile;

    QTabWidget* PageControl1;
    QWidget* tabLog;
    QWidget* tabAccept;
    QWidget* tabCust;
    QWidget* tabTels;
    QDateEdit* dtpLogFrom;
    QDateEdit* dtpLogTo;
    QLineEdit* edtLogPath;
    QPushButton* btnLogRef;
    QCheckBox* chkLogCrlf;
    QDateEdit* dtpActFrom;
    QDateEdit* dtpActTo;
    QLineEdit* edtActPath;
    QPushButton* btnActRef;
    QCheckBox* chkActCrlf;
    QLineEdit* edtCustPath;
    QPushButton* btnCustRef;
    QCheckBox* chkCustCrlf;
    QLineEdit* edtTelsPath;
    QPushButton* btnTelsRef;
    QPushButton* btnExport;
    QPushButton* btnClose;
    QProgressBar* pgbExport;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* PathEdit(ExportKind kind) const;
    QString DefaultChooser(const QString& path, int fileType);
    void Finish();

    bool FExporting = false;
    bool FCloseRequested = false;
    bool FStopRequested = false;
};
