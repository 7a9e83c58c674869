// Responses on a large database: the main window's list of one day with 200 responses, and a
// text search over all responses of three years.
//
//   bench_accept [--keep DIR] [--rows N] [--loads N] [--searches N] [--text WORD]
//
// Creates (or reuses, with --keep) the large database and adds 300,000 responses spread over
// 2022-2024, 200 of them on 2024/06/14, then prints medians and 99th percentiles.
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "responses/AcceptPage.h"
#include "responses/ActSearch.h"
#include "responses/ui/AcceptPageView.h"

#include "BenchStats.h"
#include "LargeDatabase.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {
const QDate kDay(2024, 6, 14);
constexpr int kSpread = 299800;
constexpr int kDayRows = 200;

QString scalar(TdmCmn& dm, const QString& sql)
{
    dm.sqlWork.setSql(sql);
    dm.sqlWork.open();
    const QString s = dm.sqlWork.eof() ? QString() : dm.sqlWork.field(0).asString();
    dm.sqlWork.close();
    return s;
}

void addResponses(TdmCmn& dm)
{
    QElapsedTimer t;
    t.start();
    // Spread evenly over 1095 days, moving what falls on the measured day to the next one;
    // one response in a thousand mentions a repair.
    const QString body =
        QStringLiteral("INSERT INTO ACCEPT_T (ACT_NO, ACT_DT, USERID, TYPE_ID, RESULT_ID, TITLE, CONTENT, LOG_NO, "
                       "CUST_NO, UPUSERID, UPDT) VALUES (gen_id(SEQ_ACCEPT_NO, 1), :d, 'admin', "
                       "iif(mod(:i, 2) = 0, '0001', '0002'), iif(mod(:i, 3) = 0, '0001', '0002'), '件名' || :i, "
                       "'お問い合わせ内容 ' || :i || iif(mod(:i, 1000) = 0, ' 修理のご依頼', ' 見積のご相談'), null, "
                       "1 + mod(:i * 13, 100000), 'admin', CURRENT_TIMESTAMP); ");
    dm.ExecSql(QStringLiteral("EXECUTE BLOCK AS DECLARE i INTEGER = 0; DECLARE d TIMESTAMP; BEGIN WHILE (i < %1) DO "
                              "BEGIN d = CAST('2022/01/01' AS TIMESTAMP) + (:i * 1095.0 / %1); "
                              "IF (d >= '%2' AND d < '%3') THEN d = d + 1; ")
                   .arg(kSpread)
                   .arg(kDay.toString(QStringLiteral("yyyy/MM/dd")), kDay.addDays(1).toString(QStringLiteral("yyyy/MM/dd"))) +
               body + QStringLiteral("i = i + 1; END END"));
    dm.ExecSql(QStringLiteral("EXECUTE BLOCK AS DECLARE i INTEGER = 0; DECLARE d TIMESTAMP; BEGIN WHILE (i < %1) DO "
                              "BEGIN d = CAST('%2' AS TIMESTAMP) + (:i * 0.99 / %1); ")
                   .arg(kDayRows)
                   .arg(kDay.toString(QStringLiteral("yyyy/MM/dd"))) +
               body + QStringLiteral("i = i + 1; END END"));
    std::printf("added %d responses in %.1f s\n", kSpread + kDayRows, t.elapsed() / 1000.0);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    LargeDatabase::AddOptions(parser);
    parser.addOption({"loads", "Loads of the day's list.", "N", "50"});
    parser.addOption({"searches", "Text searches to run.", "N", "10"});
    parser.addOption({"text", "Text searched for.", "WORD", "修理"});
    parser.process(app);

    QTemporaryDir tmp;
    TdmCmn& dm = *LargeDatabase::Open(parser, tmp.path());
    if (scalar(dm, QStringLiteral("select count(*) from ACCEPT_T")).toInt() == 0)
        addResponses(dm);
    // The responses came after the start's refresh, as a day's work does.
    RefreshIndexStatistics(dm);
    GUseAccept = true;

    Clock::setNow(QDateTime(kDay, QTime(18, 0)));
    std::vector<double> loads;
    std::vector<double> reads;
    int listed = 0;
    {
        TfrmMain form;
        form.FormCreate();
        form.show();
        auto* page = form.findChild<AcceptPageView*>();
        const int n = parser.value("loads").toInt();
        for (int i = 0; i < n; ++i) {
            QElapsedTimer t;
            t.start();
            page->MakeAcceptGrid();
            loads.push_back(double(t.nsecsElapsed()) / 1e6);
            t.restart();
            AcceptPage::Load(dm, kDay);
            reads.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        listed = form.sgdAccept->rowCount();
        form.Teardown();
    }
    std::printf("the day's list shows %d rows\n", listed);
    print("day list, grid filled (MakeAcceptGrid)", stats(loads));
    print("day list, statement only", stats(reads));

    TActSearchCond c;
    c.UseFrom = c.UseTo = false;
    c.Text = parser.value("text");
    std::vector<double> searches;
    int hits = 0;
    for (int i = 0; i < parser.value("searches").toInt(); ++i) {
        QElapsedTimer t;
        t.start();
        hits = int(ActSearch::Run(dm, c).size());
        searches.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("the text search finds %d responses\n", hits);
    print("text in subject or content, whole period", stats(searches));
    delete dmCmn;
    dmCmn = nullptr;
    return 0;
}
