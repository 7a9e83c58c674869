#include "ui/AppMain.h"

#include "calls/TfrmMain.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "db/FbEngine.h"
#include "db/TdmCmn.h"
#include "platform/CopyDataChannel.h"
#include "platform/SignalWatcher.h"
#include "platform/SingleInstance.h"
#include "ui/QtMessagePresenter.h"
#include "ui/ZuvaroApplication.h"

#include <QProcess>
#include <QSessionManager>

#include <memory>

namespace {

// Another copy holds the lock: forward "/s" texts to it, refuse anything else.
int RunAsSecondCopy(const QStringList& args)
{
    if (args.size() == 2 && args.at(0).toLower() == QLatin1String("/s")) {
        qint64 handle = 0;
        bool ok = false;
        handle = gIni->ReadString(QStringLiteral("MAIN_FORM"), QStringLiteral("HANDLE"), QString()).trimmed().toLongLong(&ok);
        // 0 is what a copy that could not listen publishes: nobody is behind it.
        if (!ok || handle <= 0) {
            MessageService::Error(QStringLiteral("Zuvaroのハンドルを取得できませんでした。"));
            return 1;
        }
        if (!SendCopyData(handle, args.at(1)))
            WriteLog(QStringLiteral("SendCopyData failed HANDLE=%1 text=%2").arg(handle).arg(args.at(1)));
        return 0;
    }
    MessageService::Warning(QStringLiteral("Zuvaroはすでに実行しています。"));
    return 0;
}

// Starts a fresh copy with the logged-in user's credentials (after a settings change).
void Restart()
{
    const QStringList args{gCurrentUser.UserId, gCurrentUser.Passwd};
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), args)) {
        const QString message = QStringLiteral("Exec Error ") + QString::number(errno);
        WriteLog(message);
        MessageService::Error(message);
    }
}

} // namespace

int ZuvaroMain(int argc, char** argv)
{
    ZuvaroApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("zuvaro3"));
    app.setOrganizationName(QStringLiteral("ordova"));
    app.setQuitOnLastWindowClosed(false);
    QtMessagePresenter presenter;
    MessageService::setPresenter(&presenter);

    // Common initialisation.
    InitProcessValues();
    if (!CreateDataFolders())
        qWarning("zuvaro3: cannot create the data folders below %s", qPrintable(gDataDir));
    OpenSettingsFile();
    LoadStartupSettings();

    const QStringList args = app.arguments().mid(1);
    SingleInstance instance(AppPaths::exeBaseName());
    if (!instance.tryAcquire()) {
        const int rc = RunAsSecondCopy(args);
        CloseSettingsFile();
        return rc;
    }

    app.setApplicationDisplayName(QStringLiteral("Zuvaro３"));
    int rc = 0;
    {
        // Watch for SIGTERM/SIGINT before anything long runs; a signal that comes during
        // start-up is handled as soon as the message loop runs.
        SignalWatcher watcher;
        dmCmn = new TdmCmn(GTelDbPath);
        ZuvaroApplication::setReconnectHandler([](const QString& message) {
            if (dmCmn)
                dmCmn->ReDBConnect(message);
            SignalWatcher::ReinstallHandlers();
        });
        auto form = std::make_unique<TfrmMain>();
        QObject::connect(&watcher, &SignalWatcher::terminationRequested, form.get(), [&form](int sig) {
            WriteTraceLog(QStringLiteral("TfrmMain signal %1").arg(sig));
            form->Teardown();
            QCoreApplication::quit();
        });
        bool created = false;
        try {
            created = form->FormCreate();
        } catch (const AppError& e) {
            // A failure after the database is up (a list that did not load): report it
            // like any other and keep going.
            ZuvaroApplication::HandleException(e.message());
            created = !form->StartupAborted();
        }
        if (!created) {
            rc = 1;
        } else {
            // The desktop session ending: same teardown, then allow it.
            QObject::connect(&app, &QGuiApplication::commitDataRequest, form.get(), [&form](QSessionManager&) {
                form->Teardown();
            });
            QObject::connect(form.get(), &TfrmMain::destroyed, &app, &QCoreApplication::quit);
            form->ShowMainWindow();
            rc = app.exec();
            form->Teardown();
        }
    }

    ZuvaroApplication::setReconnectHandler(nullptr);
    delete dmCmn;
    dmCmn = nullptr;
    ShutdownEngine();

    // Common finalisation.
    CloseSettingsFile();
    instance.release();
    if (gRestartRequested)
        Restart();
    MessageService::setPresenter(nullptr);
    return rc;
}
