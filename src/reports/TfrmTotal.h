#pragma once

#include "reports/TotalsSql.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TdmCmn;
class BandReport;

// "集計印刷": totals of the call log for a period, printed as a ranking of call counts per
// number or per customer, or as a list of the calls. Keeps its choices in section TOTAL.
class TfrmTotal : public QDialog
{
    Q_OBJECT
public:
    // portColumnShown: the main window's call log shows its port column, so the own-phone
    // filter is offered.
    TfrmTotal(TdmCmn& dm, bool portColumnShown, QWidget* parent = nullptr);

    // Both ends of the period (the main window's chosen day).
    void SetPeriod(const QDate& from, const QDate& to);

    // The dialog's choices as a request, and the statement they give (tests).
    TTotalRequest Request() const;

    // Shows a report in the print preview (modal). Replaceable so that tests see the report
    // instead of a preview window.
    using Previewer = std::function<void(const BandReport& report, QWidget* parent)>;
    static void SetPreviewer(Previewer previewer);
    // The search dialog behind "参照...": customers false for the phone book, true for the
    // customers; true with the first column of the chosen row in number. The buttons stay
    // hidden while no search is set.
    using Searcher = std::function<bool(bool customers, QWidget* parent, QString* number)>;
    static void SetSearcher(Searcher searcher);

    // Handlers, named after their controls.
    void FormCreate();
    void cbxValueChange();
    void cbxItemChange();
    void chkTelTopClick();
    void chkCustTopClick();
    void chkPortClick();
    void edtTelNoChange();
    void edtCustNoChange();
    void btnTelRefClick();
    void btnCustRefClick();
    void btnOkClick();
    // The calls of the numbers flagged 要注意 in the period, in the print preview.
    void btnCautionClick();
    // Opens "グラフ" with the period, kind and own-phone filter chosen here.
    void btnChartClick();
    void WriteSettings();

    QComboBox* cbxValue;
    QComboBox* cbxItem;
    QDateEdit* dtpFrom;
    QDateEdit* dtpTo;
    QComboBox* cbxKubun;
    QGroupBox* grpTel;
    QRadioButton* rbTelOne;
    QLineEdit* edtTelNo;
    QPushButton* btnTelRef;
    QLabel* pnlTelName;
    QRadioButton* rbTelAll;
    QCheckBox* chkTelTop;
    QSpinBox* spnTelNum;
    QGroupBox* grpCust;
    QRadioButton* rbCustOne;
    QLineEdit* edtCustNo;
    QPushButton* btnCustRef;
    QLabel* pnlCustName;
    QRadioButton* rbCustAll;
    QCheckBox* chkCustTop;
    QSpinBox* spnCustNum;
    QCheckBox* chkPort;
    QLineEdit* edtPort;
    QPushButton* btnOk;
    QPushButton* btnCaution;
    QPushButton* btnClose;
    QPushButton* btnChart;

public slots:
    void done(int result) override;

private:
    QWidget* FocusTarget(TTotalInput input) const;

    TdmCmn& FDm;
    bool FPortOffered;
    bool FSettingsWritten = false;
};
