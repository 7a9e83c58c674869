#include "customers/TfraCust.h"

#include "admin/ui/AdminActions.h"
#include "calls/MasterLists.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "calls/ui/CustTabBar.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/InputError.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "customers/CustRules.h"
#include "customers/CustStore.h"
#include "customers/TfrmSearch.h"
#include "db/TdmCmn.h"
#include "responses/AcceptRules.h"
#include "ui/AcceptMarkDelegate.h"
#include "ui/DateTyping.h"
#include "ui/DialogKit.h"
#include "ui/FileDialogs.h"
#include "ui/GridHelpers.h"
#include "ui/GridTextDelegate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QDate kNoDate(1900, 1, 1);
TfraCust::AcceptTabOpener& acceptOpener()
{
    static TfraCust::AcceptTabOpener opener;
    return opener;
}

TfraCust::HistorySearchOpener& historySearchOpener()
{
    static TfraCust::HistorySearchOpener opener;
    return opener;
}

template <typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QString cell(const QTableWidget* grid, int row, int column)
{
    return GridHelpers::StoredText(grid->item(row, column));
}

void setCell(QTableWidget* grid, int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = grid->item(row, column))
        item->setText(text);
    else
        grid->setItem(row, column, new QTableWidgetItem(text));
}

void setupGrid(QTableWidget* grid, const QStringList& headers, const QList<int>& widths)
{
    grid->setColumnCount(int(headers.size()));
    grid->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < widths.size(); ++c)
        grid->setColumnWidth(c, widths.at(c));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->setRowCount(0);
}
} // namespace

struct CustInputHolder
{
    CustRules::Input In;
};

std::function<bool(const QUrl&)>& TfraCust::UrlOpener()
{
    static std::function<bool(const QUrl&)> opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return opener;
}

void TfraCust::SetAcceptTabOpener(AcceptTabOpener opener)
{
    acceptOpener() = std::move(opener);
}

TfraCust::TfraCust(const QString& number, QWidget* parent, TfrmMain* main)
    : QWidget(parent), FMain(main), FReading(GKanaType)
{
    WriteTraceLog(QStringLiteral("TfraCust.Create TelNo=") + number);
    setObjectName(QStringLiteral("fraCust"));
    FTelNo = number;
    BuildLayout();

    btnZipSearch->setVisible(dmCmn->PostalLookupAvailable);
    PageCust->setCurrentIndex(0);
    PageHistory->setCurrentIndex(0);
    btnAvaterStrech->setChecked(GImageStretch);
    PageHistory->setTabVisible(1, GUseAccept);

    // Lists copied from the main window's caches: a tab keeps them for its lifetime.
    if (MasterLists* lists = FMain && FMain->Masters() ? FMain->Masters() : MasterLists::Current()) {
        for (int i = 0; i < lists->UserNames.size(); ++i)
            cbxTantou->addItem(lists->UserNames.at(i), lists->UserIds.value(i));
        for (int n = 1; n <= 20; ++n) {
            FOptionKinds << lists->OptionType(n);
            if (const MasterLists::ChoicePair* pair = lists->Choices(n)) {
                FChoiceIds[size_t(n)] = pair->Ids;
                FChoiceNames[size_t(n)] = pair->Names;
            }
            setCell(OptionGrid(n <= 10 ? 0 : 1), (n - 1) % 10, 0, lists->OptionName(n));
        }
    } else {
        for (int n = 1; n <= 20; ++n)
            FOptionKinds << QString();
    }
    if (FMain && FMain->imgDummy && !FMain->imgDummy->pixmap().isNull())
        FPlaceholder = FMain->imgDummy->pixmap().toImage();
    ShowCust(FTelNo);
}

TfraCust::~TfraCust()
{
    // A list never laid out has no width of the user's choosing.
    if (gIni && FAcceptShown && sgdAccept)
        gIni->WriteInteger(QStringLiteral("CUST_FRAME"), QStringLiteral("ACT_WIDTH"), sgdAccept->width());
}

void TfraCust::BuildLayout()
{
    // Where the window is too low for the record and an open response together, the frame
    // scrolls instead of squeezing its fields below one line.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = named(new QScrollArea(this), "scrCust");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* v = new QVBoxLayout(content);
    v->setContentsMargins(2, 2, 2, 2);
    auto* top = new QHBoxLayout;
    PageCust = named(new QTabWidget(this), "PageCust");
    PageCust->addTab(BuildBasicPage(), QStringLiteral("基　本"));
    memOthers = named(new QPlainTextEdit(this), "memOthers");
    memOthers->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DialogKit::LimitToColumn(memOthers, QStringLiteral("CUSTOMER"), QStringLiteral("OTHERS"));
    PageCust->addTab(memOthers, QStringLiteral("備　考 "));
    auto* telsPage = new QWidget(this);
    auto* tv = new QVBoxLayout(telsPage);
    lblTels = named(new QLabel(telsPage), "lblTels");
    sgdTels = named(new QTableWidget(telsPage), "sgdTels");
    setupGrid(sgdTels,
              {QStringLiteral("電話番号"), QStringLiteral("名前"), QStringLiteral("音声読上名"),
               QStringLiteral("要注意"), QStringLiteral("注意メモ")},
              {100, 170, 170, 56, 200});
    // The flag is a check box and the note is typed in place (F2 or a click on the chosen row);
    // a double click still opens the phone book.
    sgdTels->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tv->addWidget(lblTels);
    tv->addWidget(sgdTels, 1);
    PageCust->addTab(telsPage, QStringLiteral("関連TEL"));
    sgdOption10 = BuildOptionGrid("sgdOption10", 1);
    sgdOption20 = BuildOptionGrid("sgdOption20", 11);
    PageCust->addTab(sgdOption10, QStringLiteral("補足１"));
    PageCust->addTab(sgdOption20, QStringLiteral("補足２"));
    top->addWidget(PageCust, 1);

    auto* buttons = new QVBoxLayout;
    btnOk = named(new QPushButton(QStringLiteral("保存(&V)"), this), "btnOk");
    btnCancel = named(new QPushButton(QStringLiteral("取消(&C)"), this), "btnCancel");
    btnAdd = named(new QPushButton(QStringLiteral("新規(Alt+A)"), this), "btnAdd");
    btnEdit = named(new QPushButton(QStringLiteral("編集(Alt+E)"), this), "btnEdit");
    btnDelete = named(new QPushButton(QStringLiteral("削除(Alt+D)"), this), "btnDelete");
    btnSearch = named(new QPushButton(QStringLiteral("検索(Alt+S)"), this), "btnSearch");
    btnAdd->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));
    btnEdit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_E));
    btnDelete->setShortcut(QKeySequence(Qt::ALT | Qt::Key_D));
    btnSearch->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
    for (QPushButton* b : {btnOk, btnCancel, btnAdd, btnEdit, btnDelete, btnSearch})
        buttons->addWidget(b);
    buttons->addStretch(1);
    top->addLayout(buttons);
    v->addLayout(top, 3);

    // Lower pages: the call history, the response list, then one tab per open response.
    auto* history = new CustPageControl(this);
    PageHistory = named(history, "PageHistory");
    // The close mark of a response tab in browse mode removes it.
    connect(history->custTabBar(), &CustTabBar::closeRequested, this, &TfraCust::FreeActTab);
    sgdLog = named(new QTableWidget(this), "sgdLog");
    InitLogGrid();
    sgdLog->setItemDelegate(new GridTextDelegate(sgdLog));
    sgdLog->setItemDelegateForColumn(6, new AcceptMarkDelegate(sgdLog));
    PageHistory->addTab(sgdLog, QStringLiteral("電話履歴"));
    // The response list takes its tab now and is built when first shown.
    FAcceptPage = named(new QWidget(this), "pnlAcceptPage");
    auto* acceptLayout = new QVBoxLayout(FAcceptPage);
    acceptLayout->setContentsMargins(0, 0, 0, 0);
    PageHistory->addTab(FAcceptPage, QStringLiteral("対応履歴"));
    // The customer's save and cancel keys act only while the focus is on the record (a
    // response frame in edit mode has its own).
    DialogKit::AreaShortcut(PageCust, Qt::Key_V, btnOk);
    DialogKit::AreaShortcut(PageCust, Qt::Key_C, btnCancel);
    v->addWidget(PageHistory, 2);
    scroll->setWidget(content);
    outer->addWidget(scroll);

    resize(900, 560);
    DialogKit::Apply(this);
    // Enter in an option editor moves to the next option row rather than the next control.
    for (QWidget* w : {static_cast<QWidget*>(sgdOption10), static_cast<QWidget*>(sgdOption20)})
        w->installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        if (w->property("zipOnEnter").toBool())
            w->installEventFilter(this);
    setMinimumSize(0, 0);

    connect(sgdOption10, &QTableWidget::cellClicked, this, [this](int row) { ShowOptionEditor(0, row); });
    connect(sgdOption20, &QTableWidget::cellClicked, this, [this](int row) { ShowOptionEditor(1, row); });
    for (QTableWidget* g : {sgdOption10, sgdOption20})
        connect(g->verticalScrollBar(), &QScrollBar::valueChanged, this, [this]() { HideOptionEditors(); });
    connect(PageCust, &QTabWidget::currentChanged, this, [this](int index) {
        HideOptionEditors();
        if (index == 3 || index == 4)
            ShowOptionEditor(index - 3, OptionGrid(index - 3)->currentRow());
    });
    connect(btnOk, &QPushButton::clicked, this, &TfraCust::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfraCust::btnCancelClick);
    connect(btnAdd, &QPushButton::clicked, this, &TfraCust::btnAddClick);
    connect(btnEdit, &QPushButton::clicked, this, &TfraCust::btnEditClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfraCust::btnDeleteClick);
    connect(btnSearch, &QPushButton::clicked, this, &TfraCust::btnSearchClick);
    connect(btnAvater, &QPushButton::clicked, this, &TfraCust::btnAvaterClick);
    connect(btnAvaterStrech, &QToolButton::toggled, this, [this](bool on) {
        GImageStretch = on;
        if (gIni)
            gIni->WriteString(QStringLiteral("CUST_INFO"), QStringLiteral("IMAGE_STRETCH"), FlagText(on));
        ShowPicture();
    });
    connect(btnZipSearch, &QPushButton::clicked, this, &TfraCust::btnZipSearchClick);
    connect(edtZip, &QLineEdit::textChanged, this, [this](const QString& t) { btnZipSearch->setEnabled(!t.isEmpty()); });
    connect(BtnMapUrl, &QPushButton::clicked, this, &TfraCust::BtnMapUrlClick);
    connect(BtnHpUrl, &QPushButton::clicked, this, &TfraCust::BtnHpUrlClick);
    connect(BtnEmail, &QPushButton::clicked, this, &TfraCust::BtnEmailClick);
    connect(dtpCustBirth, &QDateEdit::dateChanged, this, [this]() { ShowAge(); });
    connect(edtCustName, &QLineEdit::textChanged, this, [this](const QString& name) {
        if (!FFilling) {
            const QString reading = FReading.NameChanged(FLastName, name, edtCustKana->text());
            if (reading != edtCustKana->text())
                edtCustKana->setText(reading);
        }
        FLastName = name;
    });
    connect(sgdLog, &QTableWidget::cellClicked, this, [this](int row) {
        if (richContent)
            richContent->setPlainText(cell(sgdLog, row, 5));
        else
            FAcceptContent = cell(sgdLog, row, 5);
    });
    connect(sgdLog, &QTableWidget::cellDoubleClicked, this, &TfraCust::sgdLogDoubleClick);
    connect(sgdTels, &QTableWidget::cellDoubleClicked, this, [this](int row) { sgdTelsDoubleClick(row); });
    connect(sgdTels, &QTableWidget::itemChanged, this, &TfraCust::sgdTelsCautionChange);
    connect(PageHistory, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1) {
            EnsureAcceptPage();
            FAcceptShown = true;
        }
        if (FMain)
            if (auto* memo = FMain->PageMenu->findChild<QPushButton*>(QStringLiteral("btnMemo")))
                memo->setEnabled(index == 0);
    });
}

void TfraCust::BuildAcceptPage()
{
    auto* acceptPage = new QSplitter(FAcceptPage);
    sgdAccept = named(new QTableWidget(acceptPage), "sgdAccept");
    setupGrid(sgdAccept,
              {QStringLiteral("日時"), QStringLiteral("件名"), QStringLiteral("区分"), QStringLiteral("結果"),
               QStringLiteral("対応者"), QString(), QString(), QString()},
              {124, 150, 80, 80, 80});
    for (int c = 5; c < 8; ++c)
        sgdAccept->setColumnHidden(c, true);
    auto* contentPanel = new QWidget(acceptPage);
    auto* cv = new QVBoxLayout(contentPanel);
    cv->setContentsMargins(0, 0, 0, 0);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(new QLabel(QStringLiteral("内容"), contentPanel));
    listButtons->addStretch(1);
    auto listButton = [&](const char* name, const QString& text, const QString& hint) {
        auto* b = named(new QPushButton(text, contentPanel), name);
        b->setToolTip(hint);
        listButtons->addWidget(b);
        return b;
    };
    btnHistorySearch = listButton("btnHistorySearch", QStringLiteral("検索"), QStringLiteral("検索(Alt+S)"));
    btnActAdd = listButton("btnActAdd", QStringLiteral("新規"), QStringLiteral("新規(Alt+A)"));
    btnActEdit = listButton("btnActEdit", QStringLiteral("編集"), QStringLiteral("編集(Alt+E)"));
    btnActDel = listButton("btnActDel", QStringLiteral("削除"), QStringLiteral("削除(Alt+D)"));
    // The keys are those of the customer's own buttons: they act here only while the focus
    // is on this page.
    DialogKit::AreaShortcut(acceptPage, Qt::Key_S, btnHistorySearch);
    DialogKit::AreaShortcut(acceptPage, Qt::Key_A, btnActAdd);
    DialogKit::AreaShortcut(acceptPage, Qt::Key_E, btnActEdit);
    DialogKit::AreaShortcut(acceptPage, Qt::Key_D, btnActDel);
    btnActEdit->setEnabled(false);
    btnActDel->setEnabled(false);
    cv->addLayout(listButtons);
    richContent = named(new QPlainTextEdit(contentPanel), "richContent");
    richContent->setReadOnly(true);
    cv->addWidget(richContent, 1);
    acceptPage->addWidget(sgdAccept);
    acceptPage->addWidget(contentPanel);
    if (GActWidth > 0)
        acceptPage->setSizes({GActWidth, qMax(100, 900 - GActWidth)});
    FAcceptPage->layout()->addWidget(acceptPage);
    DialogKit::Apply(acceptPage);
    connect(sgdAccept, &QTableWidget::currentCellChanged, this,
            [this](int row) { richContent->setPlainText(cell(sgdAccept, row, 7)); });
    connect(sgdAccept, &QTableWidget::cellDoubleClicked, this, [this]() {
        int actNo = -1;
        if (SelectedActNo(actNo))
            OpenAcceptTab(actNo, QString(), true);
    });
    connect(btnActAdd, &QPushButton::clicked, this, &TfraCust::btnActAddClick);
    connect(btnActEdit, &QPushButton::clicked, this, &TfraCust::btnActEditClick);
    connect(btnActDel, &QPushButton::clicked, this, &TfraCust::btnActDelClick);
    connect(btnHistorySearch, &QPushButton::clicked, this, &TfraCust::btnHistorySearchClick);
    // Shown at once when its tab is current (a layout would show it only later).
    acceptPage->show();
}

void TfraCust::EnsureAcceptPage()
{
    if (sgdAccept)
        return;
    BuildAcceptPage();
    if (FAcceptDue)
        MakeAcceptGrid();
    if (FAcceptContent)
        richContent->setPlainText(*FAcceptContent);
    FAcceptContent.reset();
}

QWidget* TfraCust::BuildBasicPage()
{
    auto* page = new QWidget(this);
    // Two columns of fields beside the picture: the record fits above an open response at
    // the main window's usual size.
    auto* h = new QHBoxLayout(page);
    h->setContentsMargins(6, 4, 6, 4);
    auto* left = new QGridLayout;
    auto* right = new QGridLayout;
    for (QGridLayout* g : {left, right}) {
        g->setVerticalSpacing(3);
        g->setColumnStretch(1, 1);
    }
    int row = 0;
    QGridLayout* g = left;
    auto addEdit = [&](const char* name, const QString& caption, const char* column, bool ime) {
        auto* e = named(new QLineEdit(page), name);
        e->setAttribute(Qt::WA_InputMethodEnabled, ime);
        DialogKit::LimitToColumn(e, QStringLiteral("CUSTOMER"), QLatin1String(column));
        auto* l = new QLabel(caption, page);
        g->addWidget(l, row, 0);
        g->addWidget(e, row, 1);
        ++row;
        return std::make_pair(e, l);
    };
    edtTel = addEdit("edtTel", QStringLiteral("代表電話番号"), "CUST_TEL", false).first;
    edtFax = addEdit("edtFax", QStringLiteral("FAX番号"), "FAX_NO", false).first;
    edtCustName = addEdit("edtCustName", QStringLiteral("顧客名"), "CUST_NAME", true).first;
    auto kana = addEdit("edtCustKana", CustRules::KanaCaption(GKanaType), "CUST_KANA", GKanaType != 2);
    edtCustKana = kana.first;
    lblCustKana = named(kana.second, "lblCustKana");
    auto zipRow = row;
    edtZip = addEdit("edtZip", QStringLiteral("郵便番号"), "ZIP_CD", false).first;
    btnZipSearch = named(new QPushButton(QStringLiteral("検索"), page), "btnZipSearch");
    btnZipSearch->setEnabled(false);
    g->addWidget(btnZipSearch, zipRow, 2);
    edtAddress = addEdit("edtAddress", QStringLiteral("住所"), "ADDRESS", true).first;
    left->setRowStretch(row, 1);
    g = right;
    row = 0;
    const int mailRow = row;
    edtEmail = addEdit("edtEmail", QStringLiteral("電子メール"), "EMAIL", false).first;
    edtHpUrl = addEdit("edtHpUrl", QStringLiteral("ホームページ"), "HP_URL", false).first;
    edtMapUrl = addEdit("edtMapUrl", QStringLiteral("地図URL"), "MAP_URL", false).first;
    BtnEmail = named(new QPushButton(QStringLiteral("起動..."), page), "BtnEmail");
    BtnHpUrl = named(new QPushButton(QStringLiteral("起動..."), page), "BtnHpUrl");
    BtnMapUrl = named(new QPushButton(QStringLiteral("起動..."), page), "BtnMapUrl");
    g->addWidget(BtnEmail, mailRow, 2);
    g->addWidget(BtnHpUrl, mailRow + 1, 2);
    g->addWidget(BtnMapUrl, mailRow + 2, 2);
    cbxTantou = named(new QComboBox(page), "cbxTantou");
    g->addWidget(new QLabel(QStringLiteral("社内担当"), page), row, 0);
    g->addWidget(cbxTantou, row++, 1, 1, 2);
    auto* birth = new QHBoxLayout;
    dtpCustBirth = named(new QDateEdit(page), "dtpCustBirth");
    dtpCustBirth->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    dtpCustBirth->setCalendarPopup(true);
    dtpCustBirth->setMinimumDate(kNoDate);
    // The earliest date stands for "no birth date" and shows as two blanks.
    dtpCustBirth->setSpecialValueText(QStringLiteral("  "));
    DateTyping::Install(dtpCustBirth);
    pnlAge = named(new QLabel(page), "pnlAge");
    pnlAge->setMinimumWidth(pnlAge->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    cbxSex = named(new QComboBox(page), "cbxSex");
    cbxSex->addItems({QStringLiteral("不明"), QStringLiteral("男"), QStringLiteral("女")});
    birth->addWidget(dtpCustBirth);
    birth->addWidget(new QLabel(QStringLiteral("年齢"), page));
    birth->addWidget(pnlAge);
    birth->addWidget(new QLabel(QStringLiteral("歳"), page));
    birth->addSpacing(8);
    birth->addWidget(new QLabel(QStringLiteral("性別"), page));
    birth->addWidget(cbxSex);
    birth->addStretch(1);
    g->addWidget(new QLabel(QStringLiteral("生年月日"), page), row, 0);
    g->addLayout(birth, row++, 1, 1, 2);
    right->setRowStretch(row, 1);
    h->addLayout(left, 1);
    h->addSpacing(8);
    h->addLayout(right, 1);
    h->addSpacing(8);

    auto* pic = new QVBoxLayout;
    pic->setSpacing(3);
    auto* picButtons = new QHBoxLayout;
    picButtons->addWidget(new QLabel(QStringLiteral("画像"), page));
    picButtons->addStretch(1);
    imgCustAvater = named(new QLabel(page), "imgCustAvater");
    imgCustAvater->setFixedSize(160, 140);
    imgCustAvater->setAlignment(Qt::AlignCenter);
    imgCustAvater->setFrameShape(QFrame::Box);
    btnAvater = named(new QPushButton(QStringLiteral("読込..."), page), "btnAvater");
    btnAvaterStrech = named(new QToolButton(page), "btnAvaterStrech");
    btnAvaterStrech->setText(QStringLiteral("調整"));
    btnAvaterStrech->setCheckable(true);
    picButtons->addWidget(btnAvater);
    picButtons->addWidget(btnAvaterStrech);
    pic->addLayout(picButtons);
    pic->addWidget(imgCustAvater);
    pic->addStretch(1);
    h->addLayout(pic);

    // Enter in a basic field first looks the address up, then moves on.
    for (QWidget* w : {static_cast<QWidget*>(edtTel), static_cast<QWidget*>(edtFax),
                       static_cast<QWidget*>(edtCustName), static_cast<QWidget*>(edtCustKana),
                       static_cast<QWidget*>(edtZip), static_cast<QWidget*>(edtAddress),
                       static_cast<QWidget*>(edtEmail), static_cast<QWidget*>(edtHpUrl),
                       static_cast<QWidget*>(edtMapUrl), static_cast<QWidget*>(dtpCustBirth)})
        w->setProperty("zipOnEnter", true);
    return page;
}

QTableWidget* TfraCust::BuildOptionGrid(const char* name, int first)
{
    auto* grid = named(new QTableWidget(this), name);
    setupGrid(grid, {QStringLiteral("項目"), QStringLiteral("値"), QString()}, {160, 579, 0});
    grid->setColumnHidden(2, true);
    grid->setRowCount(10);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setToolTip(QStringLiteral("保守タブ→マスタ登録ボタン→顧客補足登録 で項目を追加できます。"));
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 3; ++c)
            grid->setItem(r, c, new QTableWidgetItem());
    grid->setProperty("firstOption", first);
    // Its cells are the user's input (the main window tells untouched tabs by it).
    grid->setProperty("userInput", true);
    return grid;
}

void TfraCust::InitLogGrid()
{
    QStringList headers;
    QList<int> widths;
    const QTableView* mainGrid = FMain ? FMain->sgdLog : nullptr;
    for (int c = 0; c < 10; ++c) {
        headers << (mainGrid ? mainGrid->model()->headerData(c, Qt::Horizontal).toString() : QString());
        widths << (mainGrid ? mainGrid->columnWidth(c) : 100);
    }
    setupGrid(sgdLog, headers, widths);
    for (int c = 0; c < 10; ++c)
        sgdLog->setColumnHidden(c, c == 4 || c >= 7 || (c == 6 && !GUseAccept) ||
                                        (mainGrid && c == 3 && mainGrid->isColumnHidden(3)));
}

QTableWidget* TfraCust::OptionGrid(int page) const
{
    return page == 0 ? sgdOption10 : sgdOption20;
}

QString TfraCust::OptionKind(int n) const
{
    return FOptionKinds.value(n - 1);
}

void TfraCust::SetBirth(const QDate& d)
{
    dtpCustBirth->setDate(d.isValid() ? d : kNoDate);
    ShowAge();
}

QDate TfraCust::Birth() const
{
    const QDate d = dtpCustBirth->date();
    return d == kNoDate ? QDate() : d;
}

void TfraCust::ShowAge()
{
    const int age = CustRules::Age(Birth(), Clock::today());
    pnlAge->setText(age >= 0 ? QString::number(age) : QString());
}

void TfraCust::ShowPicture()
{
    const QImage& shown = FPicture.isNull() ? FPlaceholder : FPicture;
    if (shown.isNull()) {
        imgCustAvater->clear();
        return;
    }
    QPixmap pm = QPixmap::fromImage(shown);
    if (btnAvaterStrech->isChecked())
        pm = pm.scaled(imgCustAvater->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    else if (pm.width() > imgCustAvater->width() || pm.height() > imgCustAvater->height())
        pm = pm.scaled(imgCustAvater->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    imgCustAvater->setPixmap(pm);
}

void TfraCust::ShowCust(const QString& number)
{
    WriteTraceLog(QStringLiteral("TfraCust.ShowCust TelNo=") + number);
    HideOptionEditors();
    FFilling = true;
    FCustNo = -1;
    FCustTelNon.clear();
    for (QLineEdit* e : {edtTel, edtFax, edtCustName, edtCustKana, edtZip, edtAddress, edtEmail, edtHpUrl, edtMapUrl})
        e->clear();
    memOthers->clear();
    SetBirth(QDate());
    cbxSex->setCurrentIndex(0);
    cbxTantou->setCurrentIndex(cbxTantou->findData(gCurrentUser.UserId));
    for (QTableWidget* g : {sgdOption10, sgdOption20})
        for (int r = 0; r < 10; ++r) {
            setCell(g, r, 1, QString());
            setCell(g, r, 2, QString());
        }
    FPicture = QImage();

    bool browse = false;
    if (!number.isEmpty()) {
        CustStore store(*dmCmn);
        FCustTelNon = store.KeyOf(number);
        TCust c;
        if (store.Load(FCustTelNon, c, &FPicture)) {
            FCustNo = c.CustNo;
            edtTel->setText(c.CustTel);
            edtFax->setText(c.FaxNo);
            edtCustName->setText(c.CustName);
            edtCustKana->setText(c.CustKana);
            edtZip->setText(c.ZipCd);
            edtAddress->setText(c.Address);
            edtEmail->setText(c.Email);
            edtHpUrl->setText(c.HpUrl);
            edtMapUrl->setText(c.MapUrl);
            memOthers->setPlainText(c.Others);
            SetBirth(c.BirthDt);
            cbxSex->setCurrentIndex(c.Sex >= 0 && c.Sex <= 2 ? c.Sex : 0);
            cbxTantou->setCurrentIndex(c.UserId.isEmpty() ? -1 : cbxTantou->findData(c.UserId));
            for (int n = 1; n <= 20; ++n) {
                QTableWidget* g = OptionGrid(n <= 10 ? 0 : 1);
                const int r = (n - 1) % 10;
                if (cell(g, r, 0).trimmed().isEmpty())
                    continue;
                const auto v = CustRules::OptionOnLoad(OptionKind(n), c.Option[size_t(n)], FChoiceIds[size_t(n)],
                                                       FChoiceNames[size_t(n)]);
                setCell(g, r, 1, v.Shown);
                setCell(g, r, 2, v.Id);
            }
            browse = true;
            WriteTraceLog(QStringLiteral("TfraCust.ShowCust CustNo=") + QString::number(FCustNo));
        } else {
            edtTel->setText(FCustTelNon);
        }
    }
    FReading.Reset(edtCustKana->text());
    FLastName = edtCustName->text();
    FFilling = false;
    ShowPicture();
    SetMode(browse, FCustTelNon);
    lblTels->setText(QStringLiteral("代表電話番号") + FCustTelNon +
                     QStringLiteral("に紐づけて「電話帳」に登録されている内容です。"));
    MakeTelsGrid();
    MakeMainGrid();
    if (GUseAccept)
        MakeAcceptGrid();
}

void TfraCust::RefreshCaption()
{
    UpdateCaption(FCaptionNumber);
}

void TfraCust::UpdateCaption(const QString& number)
{
    FCaptionNumber = number;
    setProperty("CustTelNon", FCustTelNon);
    setProperty("CustNo", FCustNo);
    auto* pages = parentWidget() ? qobject_cast<QTabWidget*>(parentWidget()->parentWidget()) : nullptr;
    if (!pages)
        return;
    const int index = pages->indexOf(this);
    if (index >= 0)
        CustTabBar::SetCaption(pages, index, CustRules::TabCaption(number, FBrowse));
}

void TfraCust::SetMode(bool browse, const QString& number)
{
    FBrowse = browse;
    UpdateCaption(number);
    const bool edit = !browse;
    for (QWidget* w : {static_cast<QWidget*>(edtTel), static_cast<QWidget*>(edtFax),
                       static_cast<QWidget*>(edtCustName), static_cast<QWidget*>(edtCustKana),
                       static_cast<QWidget*>(edtZip), static_cast<QWidget*>(edtAddress),
                       static_cast<QWidget*>(edtEmail), static_cast<QWidget*>(edtHpUrl),
                       static_cast<QWidget*>(edtMapUrl), static_cast<QWidget*>(cbxTantou),
                       static_cast<QWidget*>(dtpCustBirth), static_cast<QWidget*>(cbxSex),
                       static_cast<QWidget*>(btnAvater), static_cast<QWidget*>(btnAvaterStrech),
                       static_cast<QWidget*>(sgdOption10), static_cast<QWidget*>(sgdOption20)})
        w->setEnabled(edit);
    btnZipSearch->setEnabled(edit && !edtZip->text().isEmpty());
    DialogKit::SetReadOnlyLook(memOthers, browse);
    btnOk->setEnabled(edit);
    btnCancel->setEnabled(edit);
    btnOk->setStyleSheet(edit ? QStringLiteral("background-color: rgb(128,255,0);") : QString());
    btnCancel->setStyleSheet(edit ? QStringLiteral("background-color: rgb(255,255,96);") : QString());
    const bool others = browse && FCustNo != -1;
    btnAdd->setEnabled(others);
    btnEdit->setEnabled(others);
    btnDelete->setEnabled(others);
    for (QTableWidget* g : {sgdOption10, sgdOption20})
        GridHelpers::ClearSelection(g);
}

bool TfraCust::GetInput(CustInputHolder& out)
{
    CustRules::Input& in = out.In;
    in.CustNo = FCustNo;
    in.Tel = edtTel->text();
    in.Fax = edtFax->text();
    in.Name = edtCustName->text();
    in.Kana = edtCustKana->text();
    in.Zip = edtZip->text();
    in.Address = edtAddress->text();
    in.Email = edtEmail->text();
    in.HpUrl = edtHpUrl->text();
    in.MapUrl = edtMapUrl->text();
    in.Others = memOthers->toPlainText();
    in.Birth = Birth();
    in.Sex = cbxSex->currentIndex();
    in.UserId = cbxTantou->currentIndex() > 0 ? cbxTantou->currentData().toString() : QString();
    for (int n = 1; n <= 20; ++n) {
        QTableWidget* g = OptionGrid(n <= 10 ? 0 : 1);
        const int r = (n - 1) % 10;
        in.Option[size_t(n)] = CustRules::OptionToStore(OptionKind(n), cell(g, r, 1), cell(g, r, 2));
        in.OptionUnused[size_t(n)] = cell(g, r, 0).trimmed().isEmpty();
    }
    const CustRules::CheckResult check = CustRules::Check(in);
    if (check == CustRules::CheckResult::Ok)
        return true;
    MessageService::Warning(CustRules::CheckMessage(check));
    PageCust->setCurrentIndex(0);
    (check == CustRules::CheckResult::NoTel ? edtTel : edtCustName)->setFocus();
    return false;
}

void TfraCust::btnOkClick()
{
    WriteTraceLog(QStringLiteral("TfraCust.btnOkClick begin"));
    HideOptionEditors();
    CustInputHolder input;
    if (!GetInput(input))
        return;
    const TCust cust = CustRules::ToCust(input.In);
    CustStore store(*dmCmn);
    CustStore::SaveOutcome out;
    try {
        out = store.Save(cust, FPicture);
    } catch (const InputError& e) {
        // Refused before anything was written: the user corrects the field and saves again.
        MessageService::Warning(e.message());
        FocusField(e.field());
        return;
    } catch (...) {
        // The statements before the failure stay committed: show what was entered as stored.
        SetMode(true, cust.CustTel);
        throw;
    }
    if (out.Result == CustStore::SaveResult::Duplicate) {
        if (MessageService::Show(MsgKind::Warning,
                                 QStringLiteral("既に同じ代表電話番号が存在するため登録できません。\r\n登録済みの顧客情報を開"
                                                "いて確認しますか？"),
                                 MsgButtons::YesNo) == MsgResult::Yes &&
            FMain)
            FMain->OpenCustTab(cust.CustTelNon);
        return;
    }
    FCustNo = out.CustNo;
    FCustTelNon = cust.CustTelNon;
    if (out.TelsChanged && FMain)
        FMain->RefreshTables(TUpTable::With({TUpTable::TelsTable}));
    SetMode(true, cust.CustTel);
}

void TfraCust::FocusField(const QString& caption)
{
    const std::pair<const char*, QWidget*> fields[] = {
        {"代表電話番号", edtTel}, {"FAX番号", edtFax},      {"顧客名", edtCustName},   {"顧客カナ", edtCustKana},
        {"郵便番号", edtZip},     {"住所", edtAddress},     {"地図URL", edtMapUrl},    {"電子メール", edtEmail},
        {"ホームページ", edtHpUrl}, {"社内担当", cbxTantou}, {"備考", memOthers}};
    for (const auto& [name, widget] : fields)
        if (caption == QString::fromUtf8(name)) {
            PageCust->setCurrentIndex(widget == memOthers ? 1 : 0);
            widget->setFocus();
            return;
        }
    const QString option = QStringLiteral("補足項目");
    bool ok = false;
    const int n = caption.startsWith(option) ? caption.mid(option.size()).toInt(&ok) : 0;
    if (ok && n >= 1 && n <= 20) {
        PageCust->setCurrentIndex(n <= 10 ? 3 : 4);
        ShowOptionEditor(n <= 10 ? 0 : 1, (n - 1) % 10);
    }
}

void TfraCust::btnCancelClick()
{
    HideOptionEditors();
    ShowCust(FTelNo);
    if (FCustNo == -1 && FMain)
        QMetaObject::invokeMethod(FMain, &TfrmMain::OnUserInfoUpdated, Qt::QueuedConnection);
}

void TfraCust::btnAddClick()
{
    if (FMain)
        FMain->OpenCustTab(QString());
}

void TfraCust::btnEditClick()
{
    CustInputHolder input;
    if (GetInput(input))
        SetMode(false, edtTel->text());
}

void TfraCust::btnDeleteClick()
{
    if (!MessageService::Ask(QStringLiteral("このデータを削除してもよろしいですか？")))
        return;
    CustStore(*dmCmn).Delete(FCustNo);
    if (FMain)
        QMetaObject::invokeMethod(FMain, &TfrmMain::OnUserInfoUpdated, Qt::QueuedConnection);
}

void TfraCust::btnSearchClick()
{
    TfrmSearch search(SearchQuery::Customers, this);
    if (search.exec() != QDialog::Accepted)
        return;
    if (FMain) {
        FMain->edtCall->clear();
        FMain->pnlCallName->clear();
    }
    QStringList cells;
    if (search.SelectedRow(cells) && FMain)
        FMain->OpenCustTab(cells.value(0));
}

void TfraCust::btnAvaterClick()
{
    const QString path = FileDialogs::OpenFile(
        this, QString(),
        QStringLiteral("画像ファイル (*.jpg *.jpeg *.png *.bmp);;JPEG イメージファイル (*.jpg);;ビットマップ (*.bmp)"));
    if (!path.isEmpty())
        LoadPictureFile(path);
}

bool TfraCust::LoadPictureFile(const QString& path)
{
    QImage image;
    if (!image.load(path)) {
        MessageService::Warning(QStringLiteral("画像を読み込めませんでした。"));
        return false;
    }
    FPicture = CustRules::ScaleForStore(image);
    ShowPicture();
    return true;
}

void TfraCust::btnZipSearchClick()
{
    if (!edtZip->text().isEmpty())
        edtAddress->setText(dmCmn->GetZipAddress(edtZip->text()));
}

void TfraCust::BtnMapUrlClick()
{
    QString url = edtMapUrl->text();
    if (url.isEmpty()) {
        if (edtAddress->text().isEmpty()) {
            MessageService::Warning(QStringLiteral("地図URLを入力してください。"));
            if (edtMapUrl->isEnabled())
                edtMapUrl->setFocus();
            return;
        }
        url = CustRules::MapSearchUrl(edtAddress->text());
    }
    if (!UrlOpener()(QUrl::fromUserInput(url)))
        MessageService::Warning(QStringLiteral("ブラウザの起動に失敗しました。"));
}

void TfraCust::BtnHpUrlClick()
{
    if (edtHpUrl->text().isEmpty()) {
        MessageService::Warning(QStringLiteral("ホームページを入力してください。"));
        if (edtHpUrl->isEnabled())
            edtHpUrl->setFocus();
        return;
    }
    if (!UrlOpener()(QUrl::fromUserInput(edtHpUrl->text())))
        MessageService::Warning(QStringLiteral("ブラウザの起動に失敗しました。"));
}

void TfraCust::BtnEmailClick()
{
    if (!UrlOpener()(QUrl(CustRules::MailUrl(edtEmail->text())))) {
        WriteLog(QStringLiteral("TfraClientInfo.btnClientEmailClick RetVal=0"));
        MessageService::Warning(QStringLiteral("メーラーの起動に失敗しました。"));
    }
}

// The editors that move over the option grids' cells: most tabs are opened for a call and
// never edited, so they are made when an option row is first edited.
void TfraCust::BuildOptionEditors()
{
    if (edtOption)
        return;
    edtOption = named(new QLineEdit(this), "edtOption");
    pnlOptionDate = named(new QWidget(this), "pnlOptionDate");
    auto* dl = new QHBoxLayout(pnlOptionDate);
    dl->setContentsMargins(0, 0, 0, 0);
    dl->setSpacing(7);
    chkOptionDate = named(new QCheckBox(pnlOptionDate), "chkOptionDate");
    dtpOption = named(new QDateTimeEdit(pnlOptionDate), "dtpOption");
    dtpOptionTime = named(new QTimeEdit(pnlOptionDate), "dtpOptionTime");
    dtpOptionTime->setDisplayFormat(QStringLiteral("HH:mm"));
    dtpOptionTime->setFixedWidth(65);
    dl->addWidget(chkOptionDate);
    dl->addWidget(dtpOption);
    dl->addWidget(dtpOptionTime);
    dl->addStretch(1);
    cbxOption = named(new QComboBox(this), "cbxOption");
    DialogKit::LimitBytes(edtOption, 200);
    for (QWidget* w : {static_cast<QWidget*>(edtOption), pnlOptionDate, static_cast<QWidget*>(cbxOption)})
        w->hide();
    DialogKit::ApplyToInput(edtOption);
    DialogKit::ApplyToInput(cbxOption);
    DialogKit::Apply(pnlOptionDate);
    // Enter in an option editor moves to the next option row rather than the next control.
    for (QWidget* w : {static_cast<QWidget*>(edtOption), static_cast<QWidget*>(chkOptionDate),
                       static_cast<QWidget*>(dtpOption), static_cast<QWidget*>(dtpOptionTime),
                       static_cast<QWidget*>(cbxOption)})
        w->installEventFilter(this);
    connect(edtOption, &QLineEdit::textChanged, this, [this]() { OptionEditorChanged(); });
    connect(chkOptionDate, &QCheckBox::toggled, this, [this]() { OptionEditorChanged(); });
    connect(dtpOption, &QDateTimeEdit::dateTimeChanged, this, [this]() { OptionEditorChanged(); });
    connect(dtpOptionTime, &QTimeEdit::timeChanged, this, [this]() { OptionEditorChanged(); });
    connect(cbxOption, &QComboBox::currentIndexChanged, this, [this]() { OptionEditorChanged(); });
}

void TfraCust::HideOptionEditors()
{
    FEditorPage = -1;
    FEditorRow = -1;
    if (!edtOption)
        return;
    for (QWidget* w : {static_cast<QWidget*>(edtOption), pnlOptionDate, static_cast<QWidget*>(cbxOption)})
        w->hide();
}

void TfraCust::ShowOptionEditor(int page, int row)
{
    BuildOptionEditors();
    HideOptionEditors();
    QTableWidget* grid = OptionGrid(page);
    if (FBrowse || row < 0 || row >= 10 || cell(grid, row, 0).trimmed().isEmpty())
        return;
    const int n = page * 10 + row + 1;
    const QString kind = OptionKind(n);
    FEditorPage = page;
    FEditorRow = row;
    grid->setCurrentCell(row, 1);
    const QString value = cell(grid, row, 1);
    QWidget* editor = nullptr;
    FFilling = true;
    if (kind == QLatin1String("s") || kind == QLatin1String("n")) {
        edtOption->setAttribute(Qt::WA_InputMethodEnabled, kind == QLatin1String("s"));
        edtOption->setText(value);
        editor = edtOption;
    } else if (kind == QLatin1String("d") || kind == QLatin1String("t") || kind == QLatin1String("e")) {
        const auto parsed = CustRules::ParseOptionValue(kind, value);
        const QDateTime at = parsed.value_or(Clock::now());
        dtpOption->setDisplayFormat(kind == QLatin1String("t") ? QStringLiteral("HH:mm") : QStringLiteral("yyyy/MM/dd"));
        dtpOption->setFixedWidth(kind == QLatin1String("t") ? 81 : 110);
        dtpOption->setDateTime(at);
        dtpOptionTime->setTime(at.time());
        dtpOptionTime->setVisible(kind == QLatin1String("e"));
        chkOptionDate->setChecked(parsed.has_value());
        editor = pnlOptionDate;
    } else if (kind == QLatin1String("m")) {
        cbxOption->clear();
        cbxOption->addItems(FChoiceNames[size_t(n)]);
        cbxOption->setCurrentIndex(qMax(0, int(FChoiceIds[size_t(n)].indexOf(cell(grid, row, 2)))));
        editor = cbxOption;
    }
    FFilling = false;
    if (!editor)
        return;
    editor->setParent(grid->viewport());
    GridHelpers::PlaceOverCell(grid, editor, row, 1);
    editor->show();
    if (editor == pnlOptionDate)
        chkOptionDate->setFocus();
    else
        editor->setFocus();
    // An unreadable date or time becomes empty at once.
    OptionEditorChanged();
}

void TfraCust::OptionEditorChanged()
{
    if (FFilling || FEditorPage < 0)
        return;
    QTableWidget* grid = OptionGrid(FEditorPage);
    const int n = FEditorPage * 10 + FEditorRow + 1;
    const QString kind = OptionKind(n);
    if (kind == QLatin1String("s") || kind == QLatin1String("n")) {
        setCell(grid, FEditorRow, 1, edtOption->text());
    } else if (kind == QLatin1String("m")) {
        const int i = cbxOption->currentIndex();
        setCell(grid, FEditorRow, 1, i > 0 ? cbxOption->currentText() : QString());
        setCell(grid, FEditorRow, 2, i > 0 ? FChoiceIds[size_t(n)].value(i) : QString());
    } else {
        const bool checked = chkOptionDate->isChecked();
        dtpOptionTime->setEnabled(checked);
        QDateTime at = dtpOption->dateTime();
        if (kind == QLatin1String("e"))
            at.setTime(dtpOptionTime->time());
        setCell(grid, FEditorRow, 1, CustRules::FormatOptionValue(kind, at, checked));
    }
}

void TfraCust::MoveToNextOption()
{
    const int page = FEditorPage >= 0 ? FEditorPage : (PageCust->currentIndex() == 4 ? 1 : 0);
    QTableWidget* grid = OptionGrid(page);
    const int current = FEditorRow >= 0 ? FEditorRow : grid->currentRow();
    for (int step = 1; step <= 10; ++step) {
        const int r = (current + step) % 10;
        if (!cell(grid, r, 0).trimmed().isEmpty()) {
            ShowOptionEditor(page, r);
            return;
        }
    }
}

bool TfraCust::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched->property("zipOnEnter").toBool()) {
                // The address is looked up, then Enter moves on as everywhere.
                if (dmCmn->PostalLookupAvailable && !edtZip->text().isEmpty() && edtAddress->text().isEmpty())
                    edtAddress->setText(dmCmn->GetZipAddress(edtZip->text()));
                return false;
            }
            MoveToNextOption();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfraCust::MakeTelsGrid()
{
    const QSignalBlocker block(sgdTels);
    sgdTels->setRowCount(0);
    const QList<QStringList> rows = CustStore(*dmCmn).TelsRows(FCustTelNon);
    sgdTels->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList& row = rows.at(r);
        sgdTels->setItem(r, 0, GridHelpers::NumberItem(row.value(0)));
        for (int c = 1; c < 3; ++c)
            sgdTels->setItem(r, c, new QTableWidgetItem(row.value(c)));
        for (int c = 0; c < 3; ++c)
            sgdTels->item(r, c)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        auto* flag = new QTableWidgetItem;
        flag->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        flag->setCheckState(row.value(3) == QLatin1String("1") ? Qt::Checked : Qt::Unchecked);
        sgdTels->setItem(r, 3, flag);
        sgdTels->setItem(r, 4, new QTableWidgetItem(row.value(4)));
    }
}

void TfraCust::sgdTelsCautionChange(QTableWidgetItem* item)
{
    if (!item || (item->column() != 3 && item->column() != 4))
        return;
    const int row = item->row();
    const bool caution = sgdTels->item(row, 3) && sgdTels->item(row, 3)->checkState() == Qt::Checked;
    const QString note = cell(sgdTels, row, 4).trimmed();
    try {
        dmCmn->SetTelsCaution(cell(sgdTels, row, 0), caution, note);
    } catch (const AppError& e) {
        MessageService::Warning(e.message());
        MakeTelsGrid();
    }
}

void TfraCust::MakeMainGrid()
{
    sgdLog->setRowCount(0);
    const QList<TLogRow> rows = CustStore(*dmCmn).LogRows(FCustTelNon);
    sgdLog->setRowCount(int(rows.size()));
    sgdLog->setUpdatesEnabled(false);
    for (int r = 0; r < rows.size(); ++r) {
        const TLogRow& row = rows.at(r);
        const QString cells[10] = {row.DtFrom,  row.TelNo,   row.TelType,    row.PortNo,   row.Caller,
                                   row.TelMemo, GUseAccept ? row.ActNo : QString(), row.CustTelNon, row.ReadName, row.LogNo};
        for (int c = 0; c < 10; ++c)
            sgdLog->setItem(r, c,
                            c == 1 || c == 7 ? GridHelpers::NumberItem(cells[c]) : new QTableWidgetItem(cells[c]));
    }
    sgdLog->setUpdatesEnabled(true);
}

void TfraCust::MakeAcceptGrid()
{
    if (!sgdAccept) {
        // Loaded when built; a call memo clicked before then is overwritten by that load.
        FAcceptDue = true;
        FAcceptContent.reset();
        return;
    }
    FAcceptDue = false;
    btnActEdit->setEnabled(false);
    btnActDel->setEnabled(false);
    sgdAccept->setRowCount(0);
    const QList<QStringList> rows = CustStore(*dmCmn).AcceptRows(FCustNo);
    sgdAccept->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 8; ++c)
            sgdAccept->setItem(r, c, new QTableWidgetItem(rows.at(r).value(c)));
    richContent->setPlainText(rows.isEmpty() ? QString() : rows.first().value(7));
    btnActEdit->setEnabled(!rows.isEmpty());
    btnActDel->setEnabled(!rows.isEmpty());
}

void TfraCust::OpenAcceptTab(int actNo, const QString& logNo, bool browse)
{
    if (!GUseAccept || !acceptOpener())
        return;
    // Both captions of the response: an open tab in either mode is the one to show. For -1
    // this is the unsaved new response, of which a customer has at most one.
    const QString label = AcceptRules::CaptionLabel(AcceptRules::TabCaption(actNo, true)).left(15);
    for (int i = 2; i < PageHistory->count(); ++i)
        if (PageHistory->tabText(i) == label) {
            PageHistory->setCurrentIndex(i);
            return;
        }
    WriteTraceLog(QStringLiteral("TfraCust.OpenAcceptTab LogNo=") + logNo);
    QWidget* page = acceptOpener()(*this, PageHistory, actNo, logNo, browse);
    if (!page)
        return;
    const int index = PageHistory->addTab(page, QString());
    CustTabBar::SetCaption(PageHistory, index, AcceptRules::TabCaption(actNo, browse));
    PageHistory->setCurrentIndex(index);
    QMetaObject::invokeMethod(page, "RefreshCaption");
}

int TfraCust::FindActPageIndex(int actNo) const
{
    int result = -1;
    for (int i = 2; i < PageHistory->count(); ++i) {
        const QWidget* page = PageHistory->widget(i);
        if (page && page->objectName() == QLatin1String("fraAccept") && page->property("ActNo").toInt() == actNo) {
            result = i;
            break;
        }
    }
    WriteTraceLog(QStringLiteral("TfraCust.FindActPageIndex=") + QString::number(result));
    return result;
}

void TfraCust::CloseActTab(int actNo)
{
    WriteTraceLog(QStringLiteral("ActNo=") + QString::number(actNo));
    const int index = FindActPageIndex(actNo);
    if (index >= 0)
        FreeActTab(index);
}

void TfraCust::OnFindCloseActTab(int actNo)
{
    WriteTraceLog(QStringLiteral("TfraCust.OnFindCloseActTab begin"));
    CloseActTab(actNo == 0 ? -1 : actNo);
}

void TfraCust::FreeActTab(int index)
{
    if (index < 2 || index >= PageHistory->count())
        return;
    WriteTraceLog(QStringLiteral("TfraCust.FreeActTab PageIndex=") + QString::number(index));
    QWidget* page = PageHistory->widget(index);
    PageHistory->removeTab(index);
    // Never under the frame's own feet: it may be the sender of what led here.
    page->hide();
    page->deleteLater();
    int left = index - 1;
    while (left > 0 && !PageHistory->isTabVisible(left))
        --left;
    PageHistory->setCurrentIndex(left);
}

bool TfraCust::SelectedActNo(int& actNo)
{
    EnsureAcceptPage();
    const int row = sgdAccept->currentRow();
    if (row < 0 || sgdAccept->rowCount() == 0) {
        MessageService::Warning(QStringLiteral("対応履歴を選択してください。"));
        return false;
    }
    const std::optional<int> n = AcceptRules::WholeNumber(cell(sgdAccept, row, 5));
    if (!n) {
        MessageService::Error(QStringLiteral("対応履歴の読み込みに失敗しました。対応履歴を再読み込みしてください。"));
        return false;
    }
    actNo = *n;
    return true;
}

void TfraCust::btnActAddClick()
{
    OpenAcceptTab(-1, QString(), false);
}

void TfraCust::btnActEditClick()
{
    int actNo = -1;
    if (SelectedActNo(actNo))
        OpenAcceptTab(actNo, QString(), false);
}

void TfraCust::btnActDelClick()
{
    EnsureAcceptPage();
    const int row = sgdAccept->currentRow();
    if (row < 0 || sgdAccept->rowCount() == 0) {
        MessageService::Warning(QStringLiteral("対応履歴を選択してください。"));
        return;
    }
    const QString text = cell(sgdAccept, row, 5);
    if (text.isEmpty())
        return;
    if (MessageService::Show(MsgKind::Confirmation, QStringLiteral("選択されている対応履歴を削除してよろしいですか？"),
                             MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    int actNo = -1;
    if (!SelectedActNo(actNo))
        return;
    dmCmn->DeleteByKey(QStringLiteral("ACCEPT_T"), QStringLiteral("ACT_NO"), QString::number(actNo));
    if (FMain) {
        // One refresh: the call logs, the response lists, and this response's tab closed.
        TUpTable flags = TUpTable::With({TUpTable::LogTable, TUpTable::AcceptTable}, FCustTelNon);
        flags.CustNo = FCustNo;
        flags.ActNo = actNo;
        FMain->RefreshTables(flags);
    } else {
        MakeMainGrid();
        MakeAcceptGrid();
        CloseActTab(actNo);
    }
}

void TfraCust::btnHistorySearchClick()
{
    if (HistorySearch())
        HistorySearch()(*this);
}

void TfraCust::ShowAcceptRow(int actNo)
{
    PageHistory->setCurrentIndex(1);
    EnsureAcceptPage();
    const QString wanted = QString::number(actNo);
    for (int r = 0; r < sgdAccept->rowCount(); ++r)
        if (cell(sgdAccept, r, 5) == wanted) {
            sgdAccept->setCurrentCell(r, 0);
            richContent->setPlainText(cell(sgdAccept, r, 7));
            return;
        }
}

void TfraCust::SetHistorySearchOpener(HistorySearchOpener opener)
{
    historySearchOpener() = std::move(opener);
}

const TfraCust::HistorySearchOpener& TfraCust::HistorySearch()
{
    return historySearchOpener();
}

void TfraCust::sgdLogDoubleClick(int row, int column)
{
    if (!FMain || row < 0)
        return;
    if (column == 1)
        AdminActions::OpenTels(*FMain, cell(sgdLog, row, 1));
    else if (column == 5)
        AdminActions::EditMemo(*FMain, cell(sgdLog, row, 9), cell(sgdLog, row, 5));
    else if (column == 6 && GUseAccept) {
        const QString act = cell(sgdLog, row, 6);
        bool ok = false;
        const int number = act.toInt(&ok);
        if (act.isEmpty())
            OpenAcceptTab(-1, cell(sgdLog, row, 9), false);
        else if (ok)
            OpenAcceptTab(number, cell(sgdLog, row, 9), true);
        else
            MessageService::Error(QStringLiteral("対応履歴の読み込みに失敗しました。対応履歴を再読み込みしてください。"));
    }
}

void TfraCust::sgdTelsDoubleClick(int row)
{
    if (FMain && row >= 0)
        AdminActions::OpenTels(*FMain, cell(sgdTels, row, 0));
}
