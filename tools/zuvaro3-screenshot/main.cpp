// Draws the main window just after a call into a PNG for the README, in a data root of
// its own: zuvaro3-screenshot OUTPUT.png
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zuvaro3-screenshot OUTPUT.png\n");
        return 2;
    }
    QTemporaryDir tmp;
    qputenv("ZUVARO_DATA_ROOT", tmp.path().toUtf8());
    qputenv("ZUVARO_UNATTENDED", "no");
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    gIni->WriteString("BASIC", "USE_ACCEPT", "0");
    LoadStartupSettings();
    const QString path = tmp.path() + "/shop.fdb";
    InitialDatabase::Create(path);
    dmCmn = new TdmCmn(path);
    InitTables(*dmCmn, nullptr);

    // A morning of calls in a small shop.
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
    for (const auto& c : calls) {
        TTels t{c.tel, c.tel, QString::fromUtf8(c.name), QString::fromUtf8(c.kana)};
        dmCmn->InsertTels(t);
        TLog log;
        log.DtFrom = QDateTime(today, QTime(c.hour, c.minute, 0));
        log.TelNo = c.tel;
        log.TelType = QString::fromUtf8(c.type);
        log.TelTerm = "0:00:00";
        log.PortNo = 1;
        dmCmn->InsertLog(log);
    }
    {
        TfrmMain form;
        form.FormCreate();
        form.resize(1000, 560);
        form.show();
        Clock::setNow(QDateTime(today, QTime(11, 30, 12)));
        form.OnDemoActivate("0312345678");
        // Wait for the call to be on screen and the name panel to light up.
        QElapsedTimer t;
        t.start();
        while (form.edtCall->text().isEmpty() && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        while (!form.Flashing() && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        form.SetStatusText(1, QString::fromUtf8("通信有効"));
        QCoreApplication::processEvents();
        if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
    }
    delete dmCmn;
    dmCmn = nullptr;
    CloseSettingsFile();
    return 0;
}
