#pragma once

#include "customers/SearchQuery.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// The one search dialog for phone-book entries, external programs and customers: find rows
// by the beginning or any part of a chosen column, pick one, close with OK.
class TfrmSearch : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSearch(SearchQuery::Mode mode, QWidget* parent = nullptr);
    ~TfrmSearch() override;

    // After OK: the cells of the chosen row (empty cells when nothing was listed); false when
    // no row is chosen.
    bool SelectedRow(QStringList& cells) const;

    void btnSearchClick();
    void btnOkClick();

    QComboBox* cbxItem = nullptr;
    QLineEdit* edtVal = nullptr;
    QRadioButton* rbLeft = nullptr;
    QRadioButton* rbPart = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QTableWidget* sgdMain = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void ShowRows(const QList<QStringList>& rows);
    // Columns of phone numbers, shown grouped.
    bool NumberColumn(int column) const;
    void SetInputMode();
    void SaveState(bool withChoices);

    SearchQuery FQuery;
};
