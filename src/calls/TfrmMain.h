#pragma once

#include "calls/CallPipeline.h"
#include "calls/CustTabRules.h"
#include "calls/TUpTable.h"
#include "devices/DeviceHost.h"
#include "devices/TTelComList.h"
#include "devices/TfrmDeviceStatus.h"

#include <QDate>
#include <QDateTime>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class CallLogGrid;
class CallLogModel;
class BackupJob;
class CallPipeline;
class CopyDataServer;
class MasterLists;
class ProgramLauncher;
class SpeechAnnouncer;
struct CallWarning;
class QTcpSocket;
class TTelCom;
class QSystemTrayIcon;
class QTimer;
class UserRegistry;
class QAction;
class QDateEdit;
class QDialog;
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
class TfrmMain : public QMainWindow, public CallPipelineHost, public DeviceHost
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
    // Shows the window as start-up left it: hidden in the tray, maximised or normal.
    void ShowMainWindow();

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

    // Call log and refresh.
    void MakeLogGrid();
    void RefreshTables(const TUpTable& flags);
    // RefreshTables for calls added meanwhile: the call log reads only the calls above those
    // shown, unless the day or the order no longer allows it.
    void RefreshNewCalls(const TUpTable& flags);
    void BtnRefreshClick();
    void ChangeDay(const QDate& day);
    void sgdLogClick(int row);
    QString GetCallerName(const QString& telNo);
    bool CallWaiting() const;
    bool Refreshing() const;

    // Incoming calls.
    void QueueCall(const TIncomingCall& call);
    void StartDemoCall(const QString& text);
    CallPipeline* Pipeline() const { return FPipeline; }
    void RefreshAfterCall() override;
    void PresentCall(const TCallResult& call) override;
    void ShowIncomingNumber(const QString& telNo) override;
    void CallStoreFailing(bool failing, int waiting) override;
    void CallJournalUnwritable(bool unwritable, int inMemory, int lost) override;
    void StartFlash();
    bool Flashing() const;
    void SetFlashInterval(int ms) { FFlashIntervalMs = ms; }

    // Resident mode and window state.
    void CreateTaskBarIcon();
    void DeleteTaskBarIcon();
    bool HasTrayIcon() const { return FTrayIcon != nullptr; }
    void EnterJouchu();
    // Hides the window to the tray, or minimises it where there is no tray.
    void HideResident();
    void EndJouchu();
    void ShowHelpBalloon(const QString& text);
    void Open1Click();
    void EndProgram();
    void btnBackupClick();
    // The daily copy: due at the set time of day, and at the first check after a time that
    // passed without a copy (a start the next morning). Runs without a dialog while calls
    // go on; checked every minute and once at start.
    void DailyBackupCheck();
    BackupJob* DailyBackupRunning() const { return FDailyBackup; }
    // "バックアップから復元": the list of copies (or, on a server, how it is done there).
    void btnRestoreClick();
    // Puts the copy in place of the live database: calls that come meanwhile wait in the
    // call journal and are written to the restored database; every list is reloaded. The
    // live database is kept aside. With messages; true when the copy is in place.
    bool RestoreDatabase(const QString& copy);
    // Tests: acts on the restore dialog once its copies are listed, before it runs.
    void SetRestoreDialogHook(std::function<void(QDialog*)> hook) { FRestoreDialogHook = std::move(hook); }
    void btnHelpClick();
    // The help opens through the desktop; tests give a recording launcher.
    void SetHelpLauncher(ProgramLauncher* launcher) { FHelpLauncher = launcher; }
    void LayoutLogGrid();
    void ReadRegistry();
    void WriteRegistry();
    QString LastBalloon() const { return FLastBalloon; }
    // Width of the response grid, kept with the window state; 0 when never set.
    int ActWidth() const { return FActWidth; }
    void SetActWidth(int width) { FActWidth = width; }

    // Customer tabs. A customer frame is a widget named "fraCust" whose property
    // "CustTelNon" holds its customer's representative number; the factory makes one for
    // a number (a new customer when nobody has it).
    using CustFrameFactory = std::function<QWidget*(const QString& number, QWidget* parent)>;
    void SetCustFrameFactory(CustFrameFactory factory) { FCustFrameFactory = std::move(factory); }
    int OpenCustTab(const QString& number);
    int FindCustPageIndex(const QString& number);
    void OpenCustAccept(const QString& number, const QString& actNo, const QString& logNo, bool browse);
    void CloseCustPage(int index);
    // The customer pages with their age and whether they hold typed input.
    std::vector<CustTabRules::Tab> CustTabs();
    // A customer frame gave up a new customer or deleted one: close the active page.
    void OnUserInfoUpdated();

    // Phones: the device list, its supervision and the dialogs that set it up.
    TTelCom* CreateAdrTelCom() override;
    void SaveAdrTelComList() override;
    void RebuildCallMenu() override;
    TTelComList& DeviceList() override { return FTelComList; }
    // Loads the configured phones and connects them; false when one could not connect.
    bool ConnectAdrTelComList(bool withMessage = true);
    void DisConnectAdrTelComList();
    int GetAdrTelComStatus(int index);
    void AndroidTimerTimer();
    void btnComSetClick();
    QTimer* AndroidTimer = nullptr;
    QMenu* PopCallCom = nullptr;

    // Outgoing calls.
    void btnCallClick();
    // No phone is configured: says so and offers the setup dialog.
    void OfferDeviceSetup();
    void ComTelCall(int comIdx);
    void DialOn(TTelCom* device, const QString& number);
    void ReportDialFailed(int portNo);
    void CallDataInsert(const QString& telNo, int portNo);
    void DialRequest(const QString& address);

    SpeechAnnouncer* Speech() const { return FSpeech.get(); }
    // The cached choice lists; built by FormCreate, rebuilt by RefreshTables flags 3-7.
    MasterLists* Masters() const { return FMasterLists.get(); }
    // Tests shorten the start-up wait for the phones.
    void SetStatusDialogTimings(const TfrmDeviceStatus::TWaitTimings& t) { FStatusDialogTimings = t; }

    // Speaks the announcement for a call: the caller's reading and the line's reading.
    // prefix: the caution text said first, or empty.
    using Speaker =
        std::function<void(const QString& callerReading, const QString& calledReading, const QString& prefix)>;
    void SetSpeaker(Speaker speaker) { FSpeaker = std::move(speaker); }

    // Subsystems plug in here: a menu button runs its handler and is enabled only once a
    // subsystem has plugged it (no dead buttons).
    void PlugButton(const char* name, std::function<void()> handler);
    // An entry of the "マスタ登録" menu; the button pops the menu up once it has an entry.
    QAction* AddMasterMenuItem(const QString& caption, std::function<void()> handler);
    QMenu* PopMaster = nullptr;
    // Runs right after the schema upgrade; false ends start-up (the login was not completed),
    // and the program then ends normally.
    void SetLoginHook(std::function<bool()> hook) { FLoginHook = std::move(hook); }
    bool LoginRefused() const { return FLoginRefused; }

signals:
    // Plug-in points for the subsystems (customers, responses, admin, logs, reports):
    // after a successful FormCreate, after every RefreshTables, after an incoming call was
    // presented, and at the start of the teardown.
    void formCreated();
    void tablesRefreshed(const TUpTable& flags);
    void callPresented(const TCallResult& call);
    void tearingDown();
    void demoActivated(const QString& text);
    // A double-click on a cell of the call-log grid.
    void logCellDoubleClicked(int row, int column);
    // After each completed refresh of the call log (tests and benchmarks wait on it).
    void logGridLoaded();

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
    // Beside the name: 要注意 and its note, the cue of a call from abroad, and the kind and
    // area of an unknown caller's number; hidden when there is nothing to say.
    QLabel* pnlCallInfo = nullptr;
    QLabel* pnlCalledTelNo = nullptr;
    QLabel* pnlCalledName = nullptr;
    QTabWidget* PageMain = nullptr;
    QWidget* tabLog = nullptr;
    QWidget* tabAccept = nullptr;
    CallLogGrid* sgdLog = nullptr;
    QTableWidget* sgdAccept = nullptr;
    QTabWidget* PageMenu = nullptr;
    QWidget* StatusBar1 = nullptr;
    QLabel* StatusPanels[3] = {nullptr, nullptr, nullptr};
    // Shown while calls could not be stored in the database.
    QLabel* pnlCallStore = nullptr;
    QMenu* LogMenu = nullptr;
    QAction* mnuTrace = nullptr;
    QAction* mnuOpenLog = nullptr;

private:
    ProgramLauncher* FHelpLauncher = nullptr;
    // A dial that waits for its phone's link set-up to end.
    QPointer<TTelCom> FPendingDialDevice;
    QString FPendingDialNumber;
    void TelComReceivedTelNo(TTelCom* sender, const QString& telNo);
    void TelComError(TTelCom* sender, qint32 errors);
    void TcpClientConnect(TTelCom* sender);
    void TcpClientDisconnect(TTelCom* sender);
    void TcpClientError(TTelCom* sender, int errorCode);
    void ReportDeviceEvent(TTelCom* sender, const QString& what, const QString& tagLabel, bool check);
    void SetDeviceIcon(bool allAttached, const QString& statusText);
    void FlashStep();
    void FinishFlash();
    QString PanelColour() const;
    void ShowCallWarning(const CallWarning& warning);
    void SetCloseButtons(bool resident);
    bool RefreshStep();

    // What the call-log grid shows; after a call only the rows added since are read.
    CallLogModel* FLogModel = nullptr;
    bool FAppendOnly = false;
    // pnlCallStore's two parts: calls the database did not take, a journal not written.
    QString FCallStoreText;
    QString FJournalText;
    void ShowCallStoreState();
    // The customers (CUST_TEL_NON) of the calls the last append-only load added; unset after
    // a full load.
    std::optional<QStringList> FNewCallKeys;

    CopyDataServer* FCopyData = nullptr;
    CallPipeline* FPipeline = nullptr;
    QSystemTrayIcon* FTrayIcon = nullptr;
    QMenu* FTrayMenu = nullptr;
    QMenu* FCloseMenu = nullptr;
    QTimer* FFlashTimer = nullptr;
    int FFlashCount = 0;
    int FFlashIntervalMs = 400;
    // The name panel's colour between flashes: red for 要注意, yellow from abroad.
    QString FPanelColour;
    QString FLastBalloon;
    Speaker FSpeaker;
    CustFrameFactory FCustFrameFactory;
    TTelComList FTelComList;
    QString FLastStatusList;
    QString FDeviceStatusText;
    int FLastStatusCount = 0;
    std::unique_ptr<SpeechAnnouncer> FSpeech;
    std::unique_ptr<MasterLists> FMasterLists;
    std::optional<TfrmDeviceStatus::TWaitTimings> FStatusDialogTimings;
    int FDesignHeight = 680;
    int FActWidth = 0;
    bool FStartMaximized = false;
    bool FEnding = false;
    QTimer* FBackupTimer = nullptr;
    BackupJob* FDailyBackup = nullptr;
    // After a failed daily copy the next try waits, so a missing folder is not retried each minute.
    QDateTime FDailyRetryAfter;
    std::function<void(QDialog*)> FRestoreDialogHook;
    int FDesignWidth = 1000;
    bool FStartupAborted = false;
    std::function<bool()> FLoginHook;
    bool FLoginRefused = false;
    bool FTornDown = false;
};
