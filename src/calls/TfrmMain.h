#pragma once

#include <QDate>
#include <QMainWindow>

class CopyDataServer;
class QAction;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QToolButton;
class QGroupBox;

// The program's one permanent window: the current caller, the call log of one day, the
// day's responses and one tab per open customer, with the buttons that open every dialog.
class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The start-up steps of the window. False when start-up had to be aborted (the
    // database could not be opened or brought up to date); the program then ends.
    bool FormCreate();
    bool StartupAborted() const { return FStartupAborted; }
    // Orderly shutdown; runs once, whichever of close, session end or signal comes first.
    void Teardown();
    // Resident start: the window stays hidden and only the tray icon shows.
    bool StartHidden() const;

    // A text forwarded by a second start of the program.
    void OnDemoActivate(const QString& text);

    // Log menu of the status bar.
    void TraceMenuClick();
    void OpenLogMenuClick();
    void UpdateLogMenu();

    void SetStatusText(int panel, const QString& text);
    QString StatusText(int panel) const;
    int DesignWidth() const { return FDesignWidth; }

    // Close buttons "閉じる(&X)" on both pages.
    void btnCloseClick();

signals:
    void demoActivated(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    QWidget* BuildStatusBar();
    QPushButton* AddButton(QWidget* page, const char* name, const QString& caption, const QString& hint = QString());

public:
    // Controls, named as the window's components so tests and later code find them.
    QLabel* ImgTitle = nullptr;
    QLabel* ImgTitle2 = nullptr;
    QLabel* imgDummy = nullptr;
    QToolButton* BitBtn1 = nullptr;
    QDateEdit* DateTimePicker1 = nullptr;
    QToolButton* BtnNextDay = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QRadioButton* rbIncoming = nullptr;
    QRadioButton* rbOutgoing = nullptr;
    QRadioButton* rbAll = nullptr;
    QPushButton* BtnRefresh = nullptr;
    QLineEdit* edtCall = nullptr;
    QLabel* pnlCallName = nullptr;
    QLabel* pnlCalledTelNo = nullptr;
    QLabel* pnlCalledName = nullptr;
    QTabWidget* PageMain = nullptr;
    QWidget* tabLog = nullptr;
    QWidget* tabAccept = nullptr;
    QTableWidget* sgdLog = nullptr;
    QTableWidget* sgdAccept = nullptr;
    QTabWidget* PageMenu = nullptr;
    QWidget* StatusBar1 = nullptr;
    QLabel* StatusPanels[3] = {nullptr, nullptr, nullptr};
    QMenu* LogMenu = nullptr;
    QAction* mnuTrace = nullptr;
    QAction* mnuOpenLog = nullptr;

private:
    CopyDataServer* FCopyData = nullptr;
    int FDesignWidth = 1000;
    bool FStartupAborted = false;
    bool FTornDown = false;
    bool FCallWaiting = false;
    bool FRefreshing = false;
};
