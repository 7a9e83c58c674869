#include "calls/TfrmMain.h"

#include "calls/DatabaseBackup.h"
#include "db/BackupRestore.h"
#include "db/FbDatabase.h"
#include "calls/DialAddress.h"
#include "calls/MasterLists.h"
#include "calls/TfrmHelp.h"
#include "calls/ProgramLauncher.h"
#include "ui/GridTextDelegate.h"
#include "ui/Plugins.h"
#include "calls/SpeechAnnouncer.h"
#include "platform/SpeechEngine.h"
#include "devices/TTelCom.h"
#include "devices/TfrmDeviceStatus.h"

#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/HelpLocation.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/SharedData.h"
#include "core/StartupSettings.h"
#include "db/FirstStartDatabase.h"
#include "db/IndexStatistics.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "db/TfrmIndexAlert.h"
#include "core/AppError.h"
#include "platform/CopyDataChannel.h"
#include "platform/SignalWatcher.h"
#include "ui/GridHelpers.h"
#include "ui/Icons.h"
#include "calls/CallLogModel.h"
#include "calls/ui/CallLogGrid.h"
#include "calls/ui/CustTabBar.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const int kStatusWidths[3] = {400, 150, 50};

template <typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Zuvaro３"));
    BuildLayout();
    resize(FDesignWidth, FDesignHeight);
    setWindowIcon(Icons::AppIcon());
    // Never narrower than the design; the height follows what the layout needs (at least
    // every input one line high), which is always above 250.
    setMinimumWidth(FDesignWidth);
    // The window is closed through its own close buttons, not the title bar.
    setWindowFlag(Qt::CustomizeWindowHint, true);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    InstallPlugins(*this);
}

QAction* TfrmMain::AddMasterMenuItem(const QString& caption, std::function<void()> handler)
{
    if (!PopMaster) {
        PopMaster = new QMenu(this);
        PopMaster->setObjectName(QStringLiteral("PopMaster"));
        auto* button = findChild<QPushButton*>(QStringLiteral("btnMaster"));
        PlugButton("btnMaster", [this, button]() { PopMaster->popup(button->mapToGlobal(QPoint(0, button->height()))); });
    }
    QAction* action = PopMaster->addAction(caption);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)]() { handler(); });
    return action;
}

void TfrmMain::PlugButton(const char* name, std::function<void()> handler)
{
    auto* button = findChild<QPushButton*>(QLatin1String(name));
    if (!button)
        return;
    button->setEnabled(true);
    connect(button, &QPushButton::clicked, this, [handler = std::move(handler)]() { handler(); });
}

TfrmMain::~TfrmMain()
{
    Teardown();
    if (MasterLists::Current() == FMasterLists.get())
        MasterLists::SetCurrent(nullptr);
}

QPushButton* TfrmMain::AddButton(QWidget* page, const char* name, const QString& caption, const QString& hint)
{
    auto* b = named(new QPushButton(caption, page), name);
    if (!hint.isEmpty()) {
        b->setToolTip(hint);
        b->setStatusTip(hint);
    }
    page->layout()->addWidget(b);
    return b;
}

void TfrmMain::BuildLayout()
{
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(4, 4, 4, 0);

    // Title area: the banner, a copy over it used only for blinking, and the placeholder
    // picture that customer frames borrow.
    auto* title = new QWidget(central);
    auto* titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    ImgTitle = named(new QLabel(title), "ImgTitle");
    ImgTitle->setFixedHeight(48);
    ImgTitle->setText(QStringLiteral("Zuvaro３"));
    ImgTitle->setStyleSheet(QStringLiteral("font-size: 22pt; font-weight: bold; color: #2a4d8f;"));
    ImgTitle2 = named(new QLabel(title), "ImgTitle2");
    ImgTitle2->hide();
    imgDummy = named(new QLabel(title), "imgDummy");
    imgDummy->hide();
    titleLayout->addWidget(ImgTitle, 1);
    titleLayout->addWidget(ImgTitle2);
    v->addWidget(title);

    // Day bar.
    auto* dayBar = new QHBoxLayout;
    BitBtn1 = named(new QToolButton(central), "BitBtn1");
    BitBtn1->setArrowType(Qt::LeftArrow);
    DateTimePicker1 = named(new QDateEdit(QDate::currentDate(), central), "DateTimePicker1");
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    DateTimePicker1->setToolTip(QStringLiteral("選択された日付の発着信履歴が表示されます。"));
    BtnNextDay = named(new QToolButton(central), "BtnNextDay");
    BtnNextDay->setArrowType(Qt::RightArrow);
    RadioGroup1 = named(new QGroupBox(central), "RadioGroup1");
    RadioGroup1->setToolTip(QStringLiteral("発着信履歴の表示対象を指定できます。"));
    auto* radios = new QHBoxLayout(RadioGroup1);
    radios->setContentsMargins(6, 2, 6, 2);
    rbIncoming = named(new QRadioButton(QStringLiteral("着信"), RadioGroup1), "rbIncoming");
    rbOutgoing = named(new QRadioButton(QStringLiteral("発信"), RadioGroup1), "rbOutgoing");
    rbAll = named(new QRadioButton(QStringLiteral("全て"), RadioGroup1), "rbAll");
    rbAll->setChecked(true);
    radios->addWidget(rbIncoming);
    radios->addWidget(rbOutgoing);
    radios->addWidget(rbAll);
    BtnRefresh = named(new QPushButton(QStringLiteral("再表示"), central), "BtnRefresh");
    dayBar->addWidget(BitBtn1);
    dayBar->addWidget(DateTimePicker1);
    dayBar->addWidget(BtnNextDay);
    dayBar->addWidget(RadioGroup1);
    dayBar->addWidget(BtnRefresh);
    dayBar->addStretch(1);
    v->addLayout(dayBar);

    // Call bar and the called line.
    auto* callBar = new QHBoxLayout;
    callBar->addWidget(new QLabel(QStringLiteral("TEL"), central));
    edtCall = named(new QLineEdit(central), "edtCall");
    edtCall->setToolTip(QStringLiteral("顧客情報表示または発信の電話番号を指定します。"));
    edtCall->setAttribute(Qt::WA_InputMethodEnabled, false);
    edtCall->setMinimumWidth(160);
    pnlCallName = named(new QLabel(central), "pnlCallName");
    pnlCallName->setAutoFillBackground(true);
    pnlCallName->setFrameShape(QFrame::Panel);
    pnlCallName->setFrameShadow(QFrame::Sunken);
    pnlCallName->setMinimumWidth(300);
    pnlCallName->setStyleSheet(QStringLiteral("background-color: palette(tool-tip-base); font-size: 14pt;"));
    pnlCallInfo = named(new QLabel(central), "pnlCallInfo");
    pnlCallInfo->setAutoFillBackground(true);
    pnlCallInfo->setFrameShape(QFrame::Panel);
    pnlCallInfo->setFrameShadow(QFrame::Sunken);
    // A long note must never widen the window: the panel takes what room is left.
    pnlCallInfo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pnlCallInfo->hide();
    pnlCalledTelNo = named(new QLabel(central), "pnlCalledTelNo");
    pnlCalledName = named(new QLabel(central), "pnlCalledName");
    for (QLabel* p : {pnlCalledTelNo, pnlCalledName}) {
        p->setStyleSheet(QStringLiteral("background-color: #c8f0c8; padding: 2px 6px;"));
        p->hide();
    }
    callBar->addWidget(edtCall);
    callBar->addWidget(pnlCallName, 1);
    callBar->addWidget(pnlCallInfo, 1);
    callBar->addWidget(pnlCalledTelNo);
    callBar->addWidget(pnlCalledName);
    v->addLayout(callBar);

    // Pages: the call log, the responses, then one tab per customer.
    PageMain = named(new CustPageControl(central), "PageMain");
    connect(static_cast<CustPageControl*>(PageMain)->custTabBar(), &CustTabBar::closeRequested, this,
            &TfrmMain::CloseCustPage);
    tabLog = named(new QWidget, "tabLog");
    auto* logLayout = new QVBoxLayout(tabLog);
    logLayout->setContentsMargins(0, 0, 0, 0);
    FLogModel = new CallLogModel(this);
    sgdLog = named(new CallLogGrid(FLogModel, tabLog), "sgdLog");
    sgdLog->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgdLog->setSelectionMode(QAbstractItemView::SingleSelection);
    sgdLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdLog->setItemDelegate(new GridTextDelegate(sgdLog));
    sgdLog->verticalHeader()->hide();
    sgdLog->verticalHeader()->setDefaultSectionSize(22);
    const int widths[7] = {149, 118, 50, 50, 159, 193, 35};
    for (int c = 0; c < 7; ++c)
        sgdLog->setColumnWidth(c, widths[c]);
    for (int c = 7; c < 10; ++c)
        sgdLog->setColumnHidden(c, true);
    logLayout->addWidget(sgdLog);
    PageMain->addTab(tabLog, QStringLiteral("電話履歴"));
    tabAccept = named(new QWidget, "tabAccept");
    auto* acceptLayout = new QVBoxLayout(tabAccept);
    acceptLayout->setContentsMargins(0, 0, 0, 0);
    sgdAccept = named(new QTableWidget(1, 1, tabAccept), "sgdAccept");
    sgdAccept->verticalHeader()->hide();
    acceptLayout->addWidget(sgdAccept);
    PageMain->addTab(tabAccept, QStringLiteral("対応履歴"));
    v->addWidget(PageMain, 1);

    // Button pages.
    PageMenu = named(new QTabWidget(central), "PageMenu");
    PageMenu->setTabPosition(QTabWidget::South);
    auto* basic = named(new QWidget, "tabBasic");
    new QHBoxLayout(basic);
    AddButton(basic, "btnCustInfo", QStringLiteral("顧客情報(&I)"), QStringLiteral("顧客情報表示ソフトを起動します。"));
    AddButton(basic, "btnCall", QStringLiteral("発信(&C)"));
    AddButton(basic, "btnTels", QStringLiteral("電話帳(&T)"));
    AddButton(basic, "btnTotal", QStringLiteral("集計(&P)"));
    AddButton(basic, "btnMemo", QStringLiteral("メモ(M)"));
    AddButton(basic, "btnHelp", QStringLiteral("ヘルプ(&H)"));
    auto* close1 = AddButton(basic, "btnClose", QStringLiteral("閉じる(&X)"));
    PageMenu->addTab(basic, QStringLiteral("基本"));
    auto* maint = named(new QWidget, "tabMaint");
    new QHBoxLayout(maint);
    AddButton(maint, "btnDeviceSetup", QStringLiteral("通信設定"));
    AddButton(maint, "btnSettings", QStringLiteral("環境設定"));
    AddButton(maint, "btnExport", QStringLiteral("データ出力"));
    AddButton(maint, "btnDelete", QStringLiteral("履歴削除"));
    AddButton(maint, "btnBackup", QStringLiteral("バックアップ"), QStringLiteral("データのバックアップを行います。"));
    AddButton(maint, "btnRestore", QStringLiteral("バックアップから復元"),
              QStringLiteral("バックアップしたデータベースを元に戻します。"));
    AddButton(maint, "btnInterface", QStringLiteral("外部接続"));
    AddButton(maint, "btnMaster", QStringLiteral("マスタ登録"));
    AddButton(maint, "btnUnifyNumbers", QStringLiteral("電話番号の表記を統一"),
              QStringLiteral("以前の表記で登録された電話番号を、着信と同じ形にそろえます。"));
    auto* close2 = AddButton(maint, "btnClose2", QStringLiteral("閉じる(&X)"));
    PageMenu->addTab(maint, QStringLiteral("保守"));
    connect(close1, &QPushButton::clicked, this, &TfrmMain::btnCloseClick);
    connect(close2, &QPushButton::clicked, this, &TfrmMain::btnCloseClick);
    // Dialogs that are not part of this build yet stay visible but disabled.
    connect(findChild<QPushButton*>(QStringLiteral("btnBackup")), &QPushButton::clicked, this,
            &TfrmMain::btnBackupClick);
    connect(findChild<QPushButton*>(QStringLiteral("btnRestore")), &QPushButton::clicked, this,
            &TfrmMain::btnRestoreClick);
    connect(findChild<QPushButton*>(QStringLiteral("btnHelp")), &QPushButton::clicked, this, &TfrmMain::btnHelpClick);
    auto* btnCall = findChild<QPushButton*>(QStringLiteral("btnCall"));
    btnCall->setToolTip(QStringLiteral("Androidスマホから電話をかけます。"));
    connect(btnCall, &QPushButton::clicked, this, &TfrmMain::btnCallClick);
    auto* btnDeviceSetup = findChild<QPushButton*>(QStringLiteral("btnDeviceSetup"));
    btnDeviceSetup->setToolTip(QStringLiteral("Androidスマホと通信するポートの設定を行います。"));
    connect(btnDeviceSetup, &QPushButton::clicked, this, &TfrmMain::btnComSetClick);
    PopCallCom = new QMenu(this);
    PopCallCom->setObjectName(QStringLiteral("PopCallCom"));
    AndroidTimer = new QTimer(this);
    AndroidTimer->setObjectName(QStringLiteral("AndroidTimer"));
    AndroidTimer->setInterval(10000);
    connect(AndroidTimer, &QTimer::timeout, this, &TfrmMain::AndroidTimerTimer);
    for (const char* name : {"btnCustInfo", "btnTels", "btnTotal", "btnMemo", "btnSettings", "btnExport",
                             "btnDelete", "btnInterface", "btnMaster", "btnUnifyNumbers"})
        findChild<QPushButton*>(QLatin1String(name))->setEnabled(false);
    v->addWidget(PageMenu);

    connect(BitBtn1, &QToolButton::clicked, this, [this]() { ChangeDay(DateTimePicker1->date().addDays(-1)); });
    connect(BtnNextDay, &QToolButton::clicked, this, [this]() { ChangeDay(DateTimePicker1->date().addDays(1)); });
    connect(DateTimePicker1, &QDateEdit::dateChanged, this, [this](const QDate& d) { ChangeDay(d); });
    for (QRadioButton* rb : {rbIncoming, rbOutgoing, rbAll})
        connect(rb, &QRadioButton::toggled, this, [this](bool on) {
            if (!on)
                return;
            MakeLogGrid();
            edtCall->clear();
            pnlCallName->clear();
        });
    connect(BtnRefresh, &QPushButton::clicked, this, &TfrmMain::BtnRefreshClick);
    connect(sgdLog, &CallLogGrid::cellClicked, this, [this](int row, int) { sgdLogClick(row); });
    connect(sgdLog, &CallLogGrid::cellDoubleClicked, this, &TfrmMain::logCellDoubleClicked);
    connect(edtCall, &QLineEdit::editingFinished, this,
            [this]() { pnlCallName->setText(GetCallerName(edtCall->text())); });

    setCentralWidget(central);
    setStatusBar(new QStatusBar(this));
    StatusBar1 = BuildStatusBar();
}

QWidget* TfrmMain::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 3; ++i) {
        StatusPanels[i] = new QLabel(bar);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanels[i]->setMinimumWidth(kStatusWidths[i]);
        bar->addPermanentWidget(StatusPanels[i], i == 2 ? 1 : 0);
    }
    pnlCallStore = new QLabel(bar);
    pnlCallStore->setObjectName(QStringLiteral("pnlCallStore"));
    pnlCallStore->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    pnlCallStore->hide();
    bar->insertPermanentWidget(0, pnlCallStore);
    // Hints go to panel 0 rather than the bar's own message area.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString& m) {
        if (!m.isEmpty())
            SetStatusText(0, m);
    });

    LogMenu = new QMenu(this);
    LogMenu->setObjectName(QStringLiteral("LogMenu"));
    mnuTrace = LogMenu->addAction(QStringLiteral("詳細ログ出力"));
    mnuTrace->setObjectName(QStringLiteral("mnuTrace"));
    mnuTrace->setCheckable(true);
    mnuOpenLog = LogMenu->addAction(QStringLiteral("ログファイルを開く"));
    mnuOpenLog->setObjectName(QStringLiteral("mnuOpenLog"));
    // The handlers set the check mark themselves.
    connect(mnuTrace, &QAction::triggered, this, [this]() { TraceMenuClick(); });
    connect(mnuOpenLog, &QAction::triggered, this, &TfrmMain::OpenLogMenuClick);
    connect(LogMenu, &QMenu::aboutToShow, this, &TfrmMain::UpdateLogMenu);
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this,
            [this, bar](const QPoint& pos) { LogMenu->popup(bar->mapToGlobal(pos)); });
    return bar;
}

void TfrmMain::SetStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < 3)
        StatusPanels[panel]->setText(text);
}

QString TfrmMain::StatusText(int panel) const
{
    return (panel >= 0 && panel < 3) ? StatusPanels[panel]->text() : QString();
}

void TfrmMain::UpdateLogMenu()
{
    mnuTrace->setChecked(gTraceOn);
    mnuOpenLog->setEnabled(QFileInfo::exists(gCurLogFile));
}

void TfrmMain::TraceMenuClick()
{
    SetTraceSwitch(!gTraceOn);
    UpdateLogMenu();
}

void TfrmMain::OpenLogMenuClick()
{
    if (!QFileInfo::exists(gCurLogFile)) {
        MessageService::Information(QStringLiteral("ログファイルはありません。"));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(gCurLogFile));
}

bool TfrmMain::FormCreate()
{
    WriteTraceLog(QStringLiteral("TfrmMain.FormCreate"));
    WriteTraceLog(QStringLiteral("gComputerName=") + gComputerName);
    WriteTraceLog(QStringLiteral("gIpAddress=") + gIpAddress);
    WriteTraceLog(QStringLiteral("gWindowsUserName=") + gWindowsUserName);
    WriteTraceLog(QStringLiteral("gExeDir=") + gExeDir);
    WriteTraceLog(QStringLiteral("OS=") + OsName());
    WriteTraceLog(QStringLiteral("TelCom Version=") + TTelCom::VersionText);

    {
        const QSignalBlocker block(DateTimePicker1);
        DateTimePicker1->setDate(Clock::today());
    }
    PageMain->setCurrentIndex(0);
    PageMenu->setCurrentIndex(0);
    setWindowTitle(QStringLiteral("Zuvaro３"));
    FPipeline = new CallPipeline(dmCmn, this, this);
    FPipeline->SetJournal(CallJournalPath());
    // At the end, calls still queued wait in the journal for the next start.
    connect(this, &TfrmMain::tearingDown, FPipeline, &CallPipeline::KeepQueuedInJournal);

    // Publish where a second copy finds us.
    FCopyData = new CopyDataServer(this);
    connect(FCopyData, &CopyDataServer::copyDataReceived, this, &TfrmMain::OnDemoActivate);
    const qint64 handle = FCopyData->listen();
    if (handle == 0)
        WriteLog(QStringLiteral("TfrmMain.FormCreate cannot listen for forwarded texts"));
    gIni->WriteString(QStringLiteral("MAIN_FORM"), QStringLiteral("HANDLE"), QString::number(handle));

    if (GJouchuIdx == 1)
        EnterJouchu();

    // A restore killed half-way left its staged copy beside the database.
    if (!FbDatabase::IsServerPath(GTelDbPath))
        for (const QString& line : BackupRestore::Recover(GTelDbPath))
            WriteLog(QStringLiteral("TfrmMain.FormCreate restore recovery: ") + line);

    // Bring the database up to date; without it the program cannot work.
    try {
        // The engine takes SIGTERM and SIGINT when it first attaches, and on a stop it would
        // cut the connection under the upgrade and its questions: attach first, take them back.
        if (!dmCmn->IBDatabase1.connected())
            dmCmn->IBDatabase1.open();
        SignalWatcher::ReinstallHandlers();
        TfrmIndexAlertNotice notice;
        InitTables(*dmCmn, &notice);
        IndexStatistics::RefreshWhenStale(*dmCmn);
        SignalWatcher::ReinstallHandlers();
    } catch (const AppError& e) {
        // Rights on the engine's lock folder are not a matter of the settings file.
        MessageService::Error((SharedData::IsLockFolderFailure(e.message())
                                   ? SharedData::LockFolderFailureText()
                                   : QStringLiteral("データベースへの接続に失敗しました。\r\nzuvaro3.iniファイルの設定を確認してください。\r\n")) +
                              e.message() + FirstStartDatabase::ServerMissingHint(GTelDbPath, e.message()));
        if (dmCmn->IBDatabase1.connected())
            dmCmn->IBDatabase1.close();
        FStartupAborted = true;
        return false;
    }

    if (FLoginHook && !FLoginHook()) {
        if (dmCmn->IBDatabase1.connected())
            dmCmn->IBDatabase1.close();
        FStartupAborted = true;
        FLoginRefused = true;
        return false;
    }

    // Calls that the database missed last time go in now, before the grid is first loaded.
    FPipeline->ReplayJournal();
    connect(AndroidTimer, &QTimer::timeout, FPipeline, &CallPipeline::CheckDatabase);

    ReadRegistry();

    FSpeech = std::make_unique<SpeechAnnouncer>();
    if (GSpeakEnabled)
        FSpeech->CreateEngine();

    // The phones: connect them all, then wait for them or offer the setup.
    ConnectAdrTelComList();
    if (FTelComList.Count() > 0) {
        TfrmDeviceStatus status(FTelComList, this);
        status.lblIp->setText(QStringLiteral("IP: ") + gIpAddress);
        if (FStatusDialogTimings)
            status.SetWaitTimings(*FStatusDialogTimings);
        status.exec();
        AndroidTimerTimer();
    } else {
        OfferDeviceSetup();
    }
    AndroidTimer->start();
    RebuildCallMenu();

    const QString caption = QStringLiteral("Android版 Ver. ") + gVersion.Text + QStringLiteral(" / IP: ") + gIpAddress;
    SetStatusText(2, caption);
    WriteTraceLog(caption);
    UpdateLogMenu();
    PageMain->setTabVisible(1, GUseAccept);
    if (QFileInfo::exists(gBannerFile)) {
        QPixmap banner(gBannerFile);
        if (!banner.isNull()) {
            ImgTitle->setScaledContents(GBannerStretch);
            ImgTitle->setPixmap(banner);
        }
    }
    LayoutLogGrid();
    FMasterLists = std::make_unique<MasterLists>(*dmCmn);
    MasterLists::SetCurrent(FMasterLists.get());
    FMasterLists->MakeAll();
    MakeLogGrid();
    DailyBackupCheck();
    emit formCreated();
    return true;
}

void TfrmMain::OnDemoActivate(const QString& text)
{
    WriteTraceLog(QStringLiteral("TfrmMain.OnDemoActivate"));
    emit demoActivated(text);
    // A second start without a text: show the window.
    if (text.isEmpty()) {
        Open1Click();
        return;
    }
    // Dial requests ("zuvaro:...") are handled with the outgoing calls.
    if (DialAddress::IsAddress(text))
        DialRequest(text);
    else
        StartDemoCall(RemoveControlCharacters(text)); // the same number as from a phone
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // The window manager's close acts like the close buttons.
    if (!FEnding && GJouchuIdx != 0 && event->spontaneous()) {
        event->ignore();
        btnCloseClick();
        return;
    }
    Teardown();
    event->accept();
    QCoreApplication::quit();
}

void TfrmMain::btnHelpClick()
{
    const QString help = HelpLocation::IndexPage(gExeDir);
    if (help.isEmpty()) {
        MessageService::Warning(QStringLiteral("ヘルプファイルが見つかりません。"));
        return;
    }
    // Inside the program: a PC without a browser has help all the same.
    TfrmHelp::Open(this, help, FHelpLauncher);
}

void TfrmMain::LayoutLogGrid()
{
    // The port column is decided once, from the phones configured at start-up.
    const bool devices = gIni->ReadInteger(QStringLiteral("ADAPTA"), QStringLiteral("COUNT"), 0) > 0;
    sgdLog->setColumnHidden(3, !devices);
    sgdLog->setColumnHidden(6, !GUseAccept);
}

void TfrmMain::ShowMainWindow()
{
    if (StartHidden()) {
        HideResident();
        return;
    }
    if (FStartMaximized)
        showMaximized();
    else
        show();
}

bool TfrmMain::StartHidden() const
{
    return GJouchuKidou && GJouchuIdx == 1;
}

void TfrmMain::Teardown()
{
    if (FTornDown || FStartupAborted)
        return;
    FTornDown = true;
    WriteTraceLog(QStringLiteral("TfrmMain.FormDestroy"));
    emit tearingDown();
    WriteRegistry();
    if (AndroidTimer)
        AndroidTimer->stop();
    DisConnectAdrTelComList();
    if (GJouchuIdx == 1)
        EndJouchu();
    if (FBackupTimer)
        FBackupTimer->stop();
    // A daily copy under way is completed first: the lock it holds must be ended.
    if (FDailyBackup)
        FDailyBackup->Wait();
    if (GAutoBackup && dmCmn)
        AutoBackup(*dmCmn, GTelDbPath, GAutoBackupPath, false, GBackupGenerations);
    if (FSpeech)
        FSpeech->ReleaseEngine();
    DeleteOldLogs(gLogDir, Clock::now().addDays(-100));
}
