#pragma once

#include <QObject>

class QPushButton;
class QSplitter;
class QTableWidget;
class QTextEdit;
class TfrmMain;

// The controls and handlers of the main window's page "対応履歴": the selected day's
// responses beside the content of the chosen one.
class AcceptPageView : public QObject
{
    Q_OBJECT
public:
    explicit AcceptPageView(TfrmMain& form);

    void InitAcceptGrid();
    void MakeAcceptGrid();
    // Shows the selected row's content and puts its customer into the caller display.
    void sgdAcceptClick();
    void sgdAcceptDblClick();
    void btnActEditClick();
    void btnActDelClick();
    void btnHistorySearchClick();
    // Applies the saved grid width (used only when it fits the window).
    void RestoreWidth();

    QSplitter* splAccept = nullptr;
    QPushButton* btnHistorySearch = nullptr;
    QPushButton* btnActEdit = nullptr;
    QPushButton* btnActDel = nullptr;
    QTextEdit* richContent = nullptr;

private:
    QString Cell(int row, int column) const;
    void OpenSelected(bool browse);
    void ShowContent();

    TfrmMain& FForm;
    QTableWidget* sgdAccept;
};
