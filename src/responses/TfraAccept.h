#pragma once

#include <QStringList>
#include <QWidget>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;
class TfraCust;

// One response on its own tab of a customer's lower pages: shown read-only (browse) or
// for editing, stored on save, and closed through its customer frame's deferred request.
class TfraAccept : public QWidget
{
    Q_OBJECT
public:
    // The frame is the tab page itself (component name "fraAccept"); owner is the customer
    // frame whose page control holds it. custNo is not used: saving reads the owner's.
    TfraAccept(TfraCust* owner, QWidget* parent, bool browse, const QString& logNo, const QString& custNo, int actNo);

    int FActNo = -1;
    QString FLogNo;
    bool Browsing() const { return FBrowse; }

    // Writes the tab caption for the current number and mode (once the frame is on its tab).
    Q_INVOKABLE void RefreshCaption();

    void btnActAddClick();
    void btnActEditClick();
    void btnActDelClick();
    void btnCancelClick();
    void btnSaveClick();

    QDateEdit* dtpActDate = nullptr;
    QTimeEdit* dtpActTime = nullptr;
    QComboBox* cbxType = nullptr;
    QComboBox* cbxResult = nullptr;
    QComboBox* cbxUser = nullptr;
    QLineEdit* edtTitle = nullptr;
    QPlainTextEdit* richContent = nullptr;
    QPushButton* btnActAdd = nullptr;
    QPushButton* btnActEdit = nullptr;
    QPushButton* btnActDel = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnSave = nullptr;

private:
    void BuildLayout();
    void ClearInput();
    void LoadAccept(int actNo);
    void SetMode(bool browse);
    void SetActNo(int actNo);
    // Reloads the lists that show responses: with calls, also the call logs (their response column).
    void RefreshLists(bool calls);
    // Asks the owner to close the tab of a response (0: the unsaved new one) once this
    // handler has returned, since closing destroys this frame.
    void PostClose(int actNo);

    TfraCust* FOwner;
    bool FBrowse = false;
    // The identifier lists the drop-downs were filled from (index i means identifier i).
    QStringList FTypeIds, FResultIds, FUserIds;
};
