// Shows the program's windows over a small shop's data, in a data root of its own.
//   zuvaro3-screenshot OUTPUT.png          the main window just after a call
//   zuvaro3-screenshot --gallery DIR       the pictures of the README: main window, customer
//                                          with a response, totals preview, settings, the
//                                          import's mapping step
//   zuvaro3-screenshot --check [--out DIR] opens every window and dialog and reports captions
//                                          cut off, inputs lower than a line and controls
//                                          over each other; exit 0 only when none is found
// The scale comes from QT_SCALE_FACTOR.
#include "admin/TfrmInterface.h"
#include "admin/TfrmLogin.h"
#include "admin/TfrmMemo.h"
#include "admin/TfrmSearchUser.h"
#include "admin/TfrmSet.h"
#include "admin/TfrmTels.h"
#include "admin/TfrmUnifyNumbers.h"
#include "admin/TfrmUser.h"
#include "calls/TfrmHelp.h"
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/HelpLocation.h"
#include "core/SharedData.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "customers/TfraCust.h"
#include "customers/TfrmCustOptEdt.h"
#include "customers/TfrmCustOption.h"
#include "customers/TfrmSearch.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "db/TfrmIndexAlert.h"
#include "devices/TfrmDeviceSetup.h"
#include "devices/TfrmDeviceStatus.h"
#include "devices/TfrmSerialPorts.h"
#include "logs/TfrmDelete.h"
#include "logs/TfrmExport.h"
#include "logs/TfrmImport.h"
#include "reports/BandReport.h"
#include "reports/TfrmChart.h"
#include "reports/TfrmPrint.h"
#include "reports/TfrmTotal.h"
#include "responses/TfraAccept.h"
#include "responses/TfrmAcceptMaster.h"
#include "responses/TfrmActSearch.h"
#include "ui/LayoutCheck.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

void Settle(int ms = 60)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } while (t.elapsed() < ms);
}

bool WaitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The phone stand-in: beside this tool in the build tree, or in the same folder.
QString PhoneProgram()
{
    const QDir dir(QCoreApplication::applicationDirPath());
    for (const QString& name : {QStringLiteral("zuvaro-phone"), QStringLiteral("../zuvaro-phone/zuvaro-phone")}) {
        const QFileInfo program(dir.filePath(name));
        if (program.isFile() && program.isExecutable())
            return program.absoluteFilePath();
    }
    return QString();
}

// The phone app's usual port when it is free here, so that the pictures stay the same.
int PhonePort()
{
    QTcpServer probe;
    if (probe.listen(QHostAddress::Any, 60600))
        return 60600;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The shop's phone on Wi-Fi, played by the stand-in. It links up once the program listens
// (started again while nobody does) and reports the callers written to it.
class Phone
{
public:
    Phone(QString program, int port) : FProgram(std::move(program)), FPort(port) { Start(); }
    ~Phone()
    {
        FEnding = true;
        if (!FProcess)
            return;
        FProcess->closeWriteChannel();
        if (!FProcess->waitForFinished(5000)) {
            FProcess->kill();
            FProcess->waitForFinished(5000);
        }
    }
    void Call(const QString& number) { FProcess->write(number.toLatin1() + '\n'); }

private:
    void Start()
    {
        FProcess = std::make_unique<QProcess>();
        FProcess->setStandardOutputFile(QProcess::nullDevice());
        FProcess->setStandardErrorFile(QProcess::nullDevice());
        QObject::connect(FProcess.get(), &QProcess::finished, &FContext, [this](int code) {
            // 2: nobody listens yet.
            if (!FEnding && code == 2)
                QTimer::singleShot(200, &FContext, [this] { Start(); });
        });
        FProcess->start(FProgram, {QStringLiteral("--port"), QString::number(FPort)});
    }
    QString FProgram;
    int FPort;
    bool FEnding = false;
    QObject FContext; // declared before the process, so the process goes first
    std::unique_ptr<QProcess> FProcess;
};

// A small shop: four callers of whom one is a customer, a morning of calls, one response;
// with phonePort, one phone linked on that port.
struct Shop
{
    QTemporaryDir Tmp;

    explicit Shop(int phonePort = 0)
    {
        qputenv("ZUVARO_DATA_ROOT", Tmp.path().toUtf8());
        qputenv("ZUVARO_UNATTENDED", "no");
        SharedData::PrepareProcess();
        InitProcessValues();
        CreateDataFolders();
        OpenSettingsFile();
        gIni->WriteString("BASIC", "USE_ACCEPT", "1");
        gIni->WriteString("BASIC", "AUTO_CUST_INFO", "1");
        if (phonePort > 0) {
            gIni->WriteString("ADAPTA", "COUNT", "1");
            gIni->WriteString("ADAPTA", "PORT_NO_1", QString::number(phonePort));
            gIni->WriteString("ADAPTA", "DISP_NAME_1", QString::fromUtf8("本店"));
            gIni->WriteString("ADAPTA", "READ_NAME_1", QString::fromUtf8("ほんてん"));
            gIni->WriteString("ADAPTA", "DEVICE_INDEX_1", "0");
        }
        LoadStartupSettings();
        const QString path = Tmp.path() + "/shop.fdb";
        InitialDatabase::Create(path);
        dmCmn = new TdmCmn(path);
        InitTables(*dmCmn, nullptr);
        // The upgrade asked (unattended: no) whether to use responses; the shop does.
        LoadStartupSettings();

        const QDate today = Clock::today();
        const struct
        {
            const char* tel;
            const char* name;
            const char* kana;
            const char* type;
            int hour, minute;
        } calls[] = {{"0312345678", "山田商店", "やまだしょうてん", "着信", 9, 5},
                     {"0459876543", "鈴木工務店", "すずきこうむてん", "発信", 9, 40},
                     {"09011112222", "佐藤 花子", "さとうはなこ", "着信", 10, 15},
                     {"0667778888", "株式会社みどり", "みどり", "着信", 11, 2}};
        int firstCall = 0;
        for (const auto& c : calls) {
            TTels t{c.tel, c.tel, QString::fromUtf8(c.name), QString::fromUtf8(c.kana)};
            dmCmn->InsertTels(t);
            TLog log;
            log.DtFrom = QDateTime(today, QTime(c.hour, c.minute, 0));
            log.TelNo = c.tel;
            log.TelType = QString::fromUtf8(c.type);
            log.TelTerm = "0:00:00";
            log.PortNo = phonePort > 0 ? phonePort : 1;
            const int logNo = dmCmn->InsertLog(log);
            if (!firstCall)
                firstCall = logNo;
        }
        TCust cust;
        cust.CustTel = "03-1234-5678";
        cust.CustTelNon = "0312345678";
        cust.CustName = QString::fromUtf8("山田商店");
        cust.CustKana = QString::fromUtf8("ヤマダショウテン");
        cust.Address = QString::fromUtf8("東京都千代田区丸の内1-1-1");
        cust.ZipCd = "1000005";
        cust.Email = "info@yamada.example.jp";
        const int custNo = dmCmn->InsertCustData(cust);
        // The morning's first call, answered.
        TAccept response;
        response.ActDt = QDateTime(today, QTime(9, 12, 0));
        response.Title = QString::fromUtf8("見積りの依頼");
        response.Content = QString::fromUtf8("事務机 3 台の見積りを本日中にメールで送る。");
        response.LogNo = QString::number(firstCall);
        response.CustNo = QString::number(custNo);
        dmCmn->InsertAccept(response);
    }
    ~Shop()
    {
        delete dmCmn;
        dmCmn = nullptr;
        CloseSettingsFile();
    }
};

// The main window after a call from the customer: the customer's tab with a new response.
// The call comes from the phone when there is one, else as a demonstration call.
std::unique_ptr<TfrmMain> MainAfterCall(const QString& number, Phone* phone = nullptr)
{
    auto form = std::make_unique<TfrmMain>();
    // With a phone this waits until it has linked up.
    form->FormCreate();
    form->resize(1000, 680);
    form->show();
    Clock::setNow(QDateTime(Clock::today(), QTime(11, 30, 12)));
    if (phone)
        phone->Call(number);
    else
        form->OnDemoActivate(number);
    WaitFor([&]() { return !form->edtCall->text().isEmpty() && form->Flashing(); });
    if (!phone)
        form->SetStatusText(1, QString::fromUtf8("通信有効"));
    Settle(200);
    return form;
}

TfraCust* CurrentCustomer(TfrmMain& form)
{
    return qobject_cast<TfraCust*>(form.PageMain->currentWidget());
}

class Checker
{
public:
    explicit Checker(const QString& out) : FOut(out) {}

    void Inspect(QWidget& w, const QString& name)
    {
        if (!w.isVisible())
            w.show();
        Settle();
        FFindings += LayoutCheck::Check(&w, name);
        ++FWindows;
        if (!FOut.isEmpty() && !w.grab().save(FOut + QLatin1Char('/') + name + QStringLiteral(".png")))
            std::fprintf(stderr, "cannot write %s/%s.png\n", qPrintable(FOut), qPrintable(name));
    }
    // Each tab of pages in turn.
    void InspectTabs(QWidget& w, QTabWidget* pages, const QString& name)
    {
        for (int i = 0; i < pages->count(); ++i) {
            if (!pages->isTabVisible(i))
                continue;
            pages->setCurrentIndex(i);
            Inspect(w, name + QLatin1Char('-') + QString::number(i));
        }
        pages->setCurrentIndex(0);
    }
    int Report() const
    {
        for (const LayoutCheck::Finding& f : FFindings)
            std::printf("%s\n", qPrintable(LayoutCheck::Format(f)));
        std::printf("layout check: %d findings in %d windows\n", int(FFindings.size()), FWindows);
        return FFindings.isEmpty() ? 0 : 1;
    }

private:
    QString FOut;
    QList<LayoutCheck::Finding> FFindings;
    int FWindows = 0;
};

// The import dialog at its mapping step: a shop's own list with a header line, read and planned.
void ShowImportMapping(TfrmImport& d)
{
    const QString path = gDataDir + QStringLiteral("/会員名簿.csv");
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(QString::fromUtf8("会員番号,氏名,ふりがな,電話番号,郵便番号,住所,メモ\r\n"
                                  "101,山田 花子,やまだ はなこ,03-5555-0101,160-0022,東京都新宿区新宿1-1-1,毎週月曜\r\n"
                                  "102,佐藤 一郎,さとう いちろう,045-555-0102,220-0011,横浜市西区高島2-2,\r\n"
                                  "103,鈴木 商店,,,530-0001,大阪市北区梅田3-3,番号なし\r\n"
                                  "104,田中 次郎,たなか じろう,03-5555-0101,,,\r\n")
                    .toUtf8());
    f.close();
    d.edtPath->setText(path);
    d.show();
    d.btnLoadClick();
    d.btnPlanClick();
}

template <typename Dialog> void InspectDialog(Checker& c, Dialog& d, const QString& name)
{
    c.Inspect(d, name);
    d.hide();
}

int RunCheck(const QString& out)
{
    Shop shop;
    Checker c(out);
    {
        std::unique_ptr<TfrmMain> form = MainAfterCall("0312345678");
        TfrmMain& m = *form;
        m.PageMain->setCurrentIndex(0);
        c.Inspect(m, "main-log");
        m.PageMain->setCurrentIndex(1);
        c.Inspect(m, "main-responses");
        m.PageMenu->setCurrentIndex(1);
        c.Inspect(m, "main-maintenance");
        m.PageMenu->setCurrentIndex(0);
        m.PageMain->setCurrentIndex(2);
        if (TfraCust* cust = CurrentCustomer(m)) {
            const int response = cust->PageHistory->count() - 1;
            cust->PageHistory->setCurrentIndex(response);
            c.InspectTabs(m, cust->PageCust, "customer");
            for (int i = 0; i < response; ++i) {
                cust->PageHistory->setCurrentIndex(i);
                c.Inspect(m, "customer-history-" + QString::number(i));
            }
            cust->PageHistory->setCurrentIndex(response);
        } else {
            std::printf("main\tPageMain\t\"\"\tno customer tab after a call\n");
            return 1;
        }
        // A caller nobody knows: a blank customer with the new response.
        m.OnDemoActivate("0598765432");
        WaitFor([&]() { return m.PageMain->count() > 3; });
        Settle(200);
        c.Inspect(m, "customer-new");
        // The smallest the window may be made.
        m.resize(m.minimumSize());
        c.Inspect(m, "main-smallest");
        m.resize(1024, 600);
        c.Inspect(m, "main-1024x600");
        m.resize(1000, 680);

        {
            TfrmSet d;
            d.show();
            c.InspectTabs(d, d.PageSet, "settings");
        }
        {
            TfrmInterface d;
            InspectDialog(c, d, "interfaces");
        }
        {
            TfrmTels d(&m, &m);
            InspectDialog(c, d, "phonebook");
        }
        {
            TfrmUser d(*dmCmn);
            InspectDialog(c, d, "users");
        }
        {
            TfrmSearchUser d(*dmCmn);
            InspectDialog(c, d, "user-search");
        }
        {
            TfrmLogin d(*dmCmn);
            InspectDialog(c, d, "login");
        }
        {
            TfrmMemo d;
            InspectDialog(c, d, "memo");
        }
        {
            TfrmUnifyNumbers d;
            InspectDialog(c, d, "unify-numbers");
        }
        {
            TfrmCustOption d(*dmCmn);
            InspectDialog(c, d, "customer-options");
            TfrmCustOptEdt e(d, 1);
            InspectDialog(c, e, "customer-option-edit");
        }
        for (auto mode : {SearchQuery::Tels, SearchQuery::Interface, SearchQuery::Customers}) {
            TfrmSearch d(mode);
            InspectDialog(c, d, "search-" + QString::number(int(mode)));
        }
        {
            TfrmIndexAlert d;
            InspectDialog(c, d, "index-alert");
        }
        {
            TfrmDeviceSetup d(m);
            InspectDialog(c, d, "device-setup");
        }
        {
            TfrmDeviceStatus d(m.DeviceList());
            InspectDialog(c, d, "device-status");
        }
        {
            TfrmSerialPorts d;
            InspectDialog(c, d, "serial-ports");
        }
        {
            TfrmExport d;
            InspectDialog(c, d, "export");
        }
        {
            TfrmImport d(*dmCmn);
            ShowImportMapping(d);
            InspectDialog(c, d, "import");
        }
        {
            TfrmDelete d;
            InspectDialog(c, d, "deletion");
        }
        {
            TfrmAcceptType d(*dmCmn);
            InspectDialog(c, d, "response-types");
        }
        {
            TfrmAcceptResult d(*dmCmn);
            InspectDialog(c, d, "response-results");
        }
        if (TfrmActSearch* d = TfrmActSearch::Open(m)) {
            c.Inspect(*d, "response-search");
            d->close();
        }
        {
            // The program's help pages: beside this tool, or beside the programs of the build tree.
            const QString tool = QCoreApplication::applicationDirPath();
            QString index = HelpLocation::IndexPage(tool);
            if (index.isEmpty())
                index = HelpLocation::IndexPage(tool + QStringLiteral("/../.."));
            if (index.isEmpty()) {
                std::printf("help\tfrmHelp\t\"\"\tno help pages found from %s\n", qPrintable(tool));
                return 1;
            }
            TfrmHelp d(index, nullptr, &m);
            InspectDialog(c, d, "help");
        }
        {
            TfrmTotal d(*dmCmn, true);
            d.SetPeriod(Clock::today(), Clock::today());
            c.Inspect(d, "totals");
            // The preview opens modally from the dialog; here it is looked at instead.
            TfrmTotal::SetPreviewer([&](const BandReport& report, QWidget*) {
                TfrmPrint preview(report);
                c.Inspect(preview, "totals-preview");
            });
            d.btnOk->click();
            TfrmTotal::SetPreviewer({});
            d.hide();
        }
        {
            // The charts at the main window's size: the busiest picture and the one of three pies.
            TfrmChart d(*dmCmn, TChartRequest{TChartKind::Hours, Clock::today().addDays(-30), Clock::today(), 2, -1});
            d.resize(1000, 680);
            c.Inspect(d, "chart-hours");
            d.cbxChart->setCurrentIndex(int(TChartKind::Outcomes));
            d.cbxChartChange();
            c.Inspect(d, "chart-outcomes");
            d.hide();
        }
        form->Teardown();
    }
    return c.Report();
}

int RunGallery(const QString& dir)
{
    const QString phoneProgram = PhoneProgram();
    if (phoneProgram.isEmpty()) {
        std::fprintf(stderr, "zuvaro-phone not found beside %s\n", qPrintable(QCoreApplication::applicationDirPath()));
        return 1;
    }
    const int port = PhonePort();
    Shop shop(port);
    Phone phone(phoneProgram, port);
    QDir().mkpath(dir);
    const auto save = [&](QWidget& w, const char* name) {
        Settle(200);
        const QString path = dir + QLatin1Char('/') + QLatin1String(name);
        if (!w.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        return true;
    };
    std::unique_ptr<TfrmMain> form = MainAfterCall("0312345678", &phone);
    TfrmMain& m = *form;
    bool ok = true;
    if (TfraCust* cust = CurrentCustomer(m)) {
        if (auto* response = cust->findChild<TfraAccept*>()) {
            response->edtTitle->setText(QString::fromUtf8("配達日の確認"));
            response->richContent->setPlainText(QString::fromUtf8("来週火曜の午前中に届けてほしいとのこと。"));
        }
        ok = save(m, "customer.png") && ok;
    }
    m.PageMain->setCurrentIndex(0);
    ok = save(m, "main-window.png") && ok;
    {
        TfrmSet d;
        d.show();
        ok = save(d, "settings.png") && ok;
    }
    {
        TfrmImport d(*dmCmn);
        ShowImportMapping(d);
        ok = save(d, "import.png") && ok;
    }
    {
        TfrmTotal d(*dmCmn, true);
        d.SetPeriod(Clock::today(), Clock::today());
        TfrmTotal::SetPreviewer([&](const BandReport& report, QWidget*) {
            TfrmPrint preview(report);
            preview.resize(900, 680);
            preview.show();
            WaitFor([&]() { return preview.PagesDrawn() > 0; }, 5000);
            // The page's top at its width: the figures readable rather than the whole sheet.
            // Through the tool bar's own button (the first of the two fit buttons), so that
            // the bar shows which fit is on.
            if (auto* bar = preview.findChild<QToolBar*>()) {
                for (QAction* a : bar->actions())
                    if (a->isCheckable()) {
                        a->trigger();
                        break;
                    }
            }
            ok = save(preview, "totals.png") && ok;
        });
        d.btnOk->click();
        TfrmTotal::SetPreviewer({});
    }
    form->Teardown();
    return ok ? 0 : 1;
}

int RunMainWindow(const QString& path)
{
    Shop shop;
    gIni->WriteString("BASIC", "AUTO_CUST_INFO", "0");
    LoadStartupSettings();
    std::unique_ptr<TfrmMain> form = MainAfterCall("0312345678");
    Settle(200);
    const bool ok = form->grab().save(path);
    if (!ok)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    form->Teardown();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--check")) {
        QString out;
        if (args.size() == 3 && args.at(1) == QLatin1String("--out")) {
            out = args.at(2);
            QDir().mkpath(out);
        } else if (args.size() != 1) {
            std::fprintf(stderr, "usage: zuvaro3-screenshot --check [--out DIR]\n");
            return 2;
        }
        return RunCheck(out);
    }
    if (args.size() == 2 && args.at(0) == QLatin1String("--gallery"))
        return RunGallery(args.at(1));
    if (args.size() != 1 || args.at(0).startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: zuvaro3-screenshot OUTPUT.png | --gallery DIR | --check [--out DIR]\n");
        return 2;
    }
    return RunMainWindow(args.at(0));
}
