#pragma once

#include "customers/ReadingFill.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;
class QTimeEdit;
class QToolButton;
class TfrmMain;

// One customer on a tab of the main window: its record with the twenty option fields and
// picture, the phone-book numbers tied to it and its call history. Opened for a number; a
// number nobody has gives a blank customer prefilled with it.
class TfraCust : public QWidget
{
    Q_OBJECT
public:
    TfraCust(const QString& number, QWidget* parent, TfrmMain* main);
    ~TfraCust() override;

    QString FTelNo;
    QString FCustTelNon;
    qint32 FCustNo = -1;
    bool Browsing() const { return FBrowse; }

    void ShowCust(const QString& number);
    void SetMode(bool browse, const QString& number);
    // Writes the caption of the frame's tab (after the frame was put on its tab).
    void RefreshCaption();
    void MakeMainGrid();
    void MakeTelsGrid();
    // Loads the response list; a list not built yet is loaded when it is.
    void MakeAcceptGrid();
    // The response list page is made when first shown (most tabs are opened for a call and
    // never show it); this builds it now, with its rows, for those who need it earlier.
    void EnsureAcceptPage();
    QTableWidget* AcceptList()
    {
        EnsureAcceptPage();
        return sgdAccept;
    }

    TfrmMain* MainForm() const { return FMain; }

    // Responses open on tabs of the lower pages; the responses subsystem makes the page
    // (a widget named "fraAccept" whose property "ActNo" holds its response number).
    using AcceptTabOpener =
        std::function<QWidget*(TfraCust& frame, QWidget* parent, int actNo, const QString& logNo, bool browse)>;
    static void SetAcceptTabOpener(AcceptTabOpener opener);
    // Shows a response on its own tab: an open one (either mode) is activated, and there
    // is never more than one unsaved new response per customer.
    Q_INVOKABLE void OpenAcceptTab(int actNo, const QString& logNo, bool browse);
    // Removes the tab of that response, if open, and activates the tab to its left.
    void CloseActTab(int actNo);
    // The deferred close request of a response frame; 0 stands for the unsaved new response.
    void OnFindCloseActTab(int actNo);
    // Page index of the response's tab (third tab on), -1 when not open.
    int FindActPageIndex(int actNo) const;
    void btnActAddClick();
    void btnActEditClick();
    void btnActDelClick();
    void btnHistorySearchClick();
    // The response search's jump: the response list shown with that response selected.
    void ShowAcceptRow(int actNo);
    // The response search window, opened for this customer by the list's search button.
    using HistorySearchOpener = std::function<void(TfraCust& frame)>;
    static void SetHistorySearchOpener(HistorySearchOpener opener);
    static const HistorySearchOpener& HistorySearch();

    void btnOkClick();
    void btnCancelClick();
    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnSearchClick();
    void btnAvaterClick();
    // Loads a picture file as the customer's (JPEG, PNG, BMP); false when it cannot be read.
    bool LoadPictureFile(const QString& path);
    void btnZipSearchClick();
    void BtnMapUrlClick();
    void BtnHpUrlClick();
    void BtnEmailClick();
    // Opens an option editor over row of the grid of options 1-10 (page 0) or 11-20 (page 1).
    void ShowOptionEditor(int page, int row);
    void HideOptionEditors();
    // A shown picture that is the user's own (not the placeholder).
    bool HasOwnPicture() const { return !FPicture.isNull(); }

    // Opening links through the desktop; tests replace it.
    static std::function<bool(const QUrl&)>& UrlOpener();

    QTabWidget* PageCust = nullptr;
    QTabWidget* PageHistory = nullptr;
    QLineEdit* edtTel = nullptr;
    QLineEdit* edtFax = nullptr;
    QLineEdit* edtCustName = nullptr;
    QLineEdit* edtCustKana = nullptr;
    QLabel* lblCustKana = nullptr;
    QLineEdit* edtZip = nullptr;
    QLineEdit* edtAddress = nullptr;
    QLineEdit* edtEmail = nullptr;
    QLineEdit* edtHpUrl = nullptr;
    QLineEdit* edtMapUrl = nullptr;
    QComboBox* cbxTantou = nullptr;
    QDateEdit* dtpCustBirth = nullptr;
    QLabel* pnlAge = nullptr;
    QComboBox* cbxSex = nullptr;
    QLabel* imgCustAvater = nullptr;
    QPushButton* btnAvater = nullptr;
    QToolButton* btnAvaterStrech = nullptr;
    QPushButton* btnZipSearch = nullptr;
    QPushButton* BtnMapUrl = nullptr;
    QPushButton* BtnHpUrl = nullptr;
    QPushButton* BtnEmail = nullptr;
    QPlainTextEdit* memOthers = nullptr;
    QLabel* lblTels = nullptr;
    QTableWidget* sgdTels = nullptr;
    QTableWidget* sgdOption10 = nullptr;
    QTableWidget* sgdOption20 = nullptr;
    QTableWidget* sgdLog = nullptr;
    // The response list page's widgets: null until the page is built (see EnsureAcceptPage).
    QTableWidget* sgdAccept = nullptr;
    QPlainTextEdit* richContent = nullptr;
    QPushButton* btnActAdd = nullptr;
    QPushButton* btnActEdit = nullptr;
    QPushButton* btnActDel = nullptr;
    QPushButton* btnHistorySearch = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnSearch = nullptr;
    // Option editors (one set per frame, placed over the current row's value cell).
    QLineEdit* edtOption = nullptr;
    QWidget* pnlOptionDate = nullptr;
    QCheckBox* chkOptionDate = nullptr;
    QDateTimeEdit* dtpOption = nullptr;
    QTimeEdit* dtpOptionTime = nullptr;
    QComboBox* cbxOption = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    QWidget* BuildBasicPage();
    QTableWidget* BuildOptionGrid(const char* name, int first);
    void BuildOptionEditors();
    void InitLogGrid();
    void BuildAcceptPage();
    bool GetInput(struct CustInputHolder& out);
    // Shows and focuses the field of that caption (as a refusal names it).
    void FocusField(const QString& caption);
    void ShowPicture();
    void ShowAge();
    void SetBirth(const QDate& d);
    QDate Birth() const;
    void UpdateCaption(const QString& number);
    QTableWidget* OptionGrid(int page) const;
    QString OptionKind(int n) const;
    void OptionEditorChanged();
    void MoveToNextOption();
    void sgdLogDoubleClick(int row, int column);
    void sgdTelsDoubleClick(int row);
    // The 要注意 check box or note of a related number changed: stored at once.
    void sgdTelsCautionChange(QTableWidgetItem* item);
    void FreeActTab(int index);
    // The response number of the selected list row; false (with the message) when none can be used.
    bool SelectedActNo(int& actNo);

    TfrmMain* FMain;
    bool FBrowse = false;
    QImage FPicture;          // the customer's own picture, null when none
    QImage FPlaceholder;      // shown when the customer has none
    ReadingFill FReading;
    QString FLastName;
    QStringList FOptionKinds; // 20 entries
    std::array<QStringList, 21> FChoiceIds, FChoiceNames;
    int FEditorPage = -1;
    int FEditorRow = -1;
    bool FFilling = false;
    QString FCaptionNumber;
    bool FAcceptShown = false;
    QWidget* FAcceptPage = nullptr;         // the list page's place on the lower tabs
    bool FAcceptDue = false;                // rows to load once the list is built
    std::optional<QString> FAcceptContent;  // a call memo clicked before the list was built
};
