#pragma once

#include "responses/ActSearch.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;
class TfrmMain;

// "対応履歴検索": finds responses by period, customer, text, type, result and user and opens
// a hit on its customer's tab. Modeless and at most one; closing it destroys it.
class TfrmActSearch : public QDialog
{
    Q_OBJECT
public:
    // The one window: created when missing; a hidden one is shown with fresh conditions, a
    // visible one only comes to the front.
    static TfrmActSearch* Open(TfrmMain& main);
    // The open window, nullptr when none.
    static TfrmActSearch* Instance();

    explicit TfrmActSearch(TfrmMain& main);
    ~TfrmActSearch() override;

    // Limits the search to one customer (-1: any).
    void SetCustomer(qint32 custNo, const QString& name);
    qint32 CustNo() const { return FCustNo; }
    // Back to the conditions of a freshly shown window, with an empty list.
    void ResetConditions();
    TActSearchCond Conditions() const;
    QStringList History() const { return FHistory; }

    void btnSearchClick();
    void btnCustClick();
    void btnPrevClick();
    void btnNextClick();
    void sgdMainDblClick(int row);

    QCheckBox* chkFrom = nullptr;
    QDateEdit* dtpFrom = nullptr;
    QCheckBox* chkTo = nullptr;
    QDateEdit* dtpTo = nullptr;
    QLabel* lblCustName = nullptr;
    QPushButton* btnCust = nullptr;
    QComboBox* cbxText = nullptr;
    QCheckBox* chkTitle = nullptr;
    QCheckBox* chkContent = nullptr;
    QComboBox* cbxType = nullptr;
    QComboBox* cbxResult = nullptr;
    QComboBox* cbxUser = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnPrev = nullptr;
    QPushButton* btnNext = nullptr;
    QTableWidget* sgdMain = nullptr;

private:
    void Step(bool forward);
    void OpenHit(int row);
    void FillChoices();

    TfrmMain& FMain;
    qint32 FCustNo = -1;
    QStringList FHistory;
    // The identifiers behind the drop-downs as they were filled.
    QStringList FTypeIds, FResultIds, FUserIds;
};
