#include "ui/AppMain.h"

#include "admin/LoginFlow.h"
#include "calls/TfrmMain.h"
#include "calls/ui/MissingDatabase.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/ProgramOptions.h"
#include "core/SharedData.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/FbEngine.h"
#include "db/FirstStartDatabase.h"
#include "db/StructureConversion.h"
#include "db/TdmCmn.h"
#include "platform/CopyDataChannel.h"
#include "platform/RuntimeFolder.h"
#include "platform/SignalWatcher.h"
#include "platform/SingleInstance.h"
#include "ui/QtMessagePresenter.h"
#include "ui/ZuvaroApplication.h"

#include <QSessionManager>

#include <cstdio>

#include <memory>

namespace {

// Another copy holds the lock: forward "/s" texts to it, refuse anything else.
int RunAsSecondCopy(const QStringList& args)
{
    bool ok = false;
    const qint64 handle =
        gIni->ReadString(QStringLiteral("MAIN_FORM"), QStringLiteral("HANDLE"), QString()).trimmed().toLongLong(&ok);
    if (args.size() == 2 && args.at(0).toLower() == QLatin1String("/s")) {
        // 0 is what a copy that could not listen publishes: nobody is behind it.
        if (!ok || handle <= 0) {
            MessageService::Error(QStringLiteral("Zuvaroのハンドルを取得できませんでした。"));
            return 1;
        }
        if (!SendCopyData(handle, args.at(1)))
            WriteLog(QStringLiteral("SendCopyData failed HANDLE=%1 text=%2").arg(handle).arg(args.at(1)));
        return 0;
    }
    // The running copy may be minimised or behind other windows: an empty text brings it
    // to the front.
    if (ok && handle != 0)
        SendCopyData(handle, QString());
    MessageService::Warning(QStringLiteral("Zuvaroはすでに実行しています。"));
    return 0;
}

// Starts a fresh copy that logs the same user in (after a settings change). The credentials
// go through the private hand-over, never the command line.
void Restart()
{
    if (!LoginFlow::StartRestartedCopy(QCoreApplication::applicationFilePath(), gCurrentUser)) {
        const QString message = QStringLiteral("Exec Error ") + QString::number(errno);
        WriteLog(message);
        MessageService::Error(message);
    }
}

} // namespace

int ZuvaroMain(int argc, char** argv)
{
    // Before anything else: the login handed over by a restart must not linger.
    LoginFlow::ReceiveRestartCredentials();
    // Answered before the application object exists: a terminal without a display will do.
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    switch (ProgramOptions::Parse(rawArgs)) {
    case ProgramOptions::Info::Help:
        std::fputs(ProgramOptions::HelpText().toLocal8Bit().constData(), stdout);
        return 0;
    case ProgramOptions::Info::Version:
        std::fputs(ProgramOptions::VersionText().toLocal8Bit().constData(), stdout);
        return 0;
    case ProgramOptions::Info::None:
        break;
    }

    ProvideRuntimeFolder();
    ZuvaroApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("zuvaro3"));
    app.setOrganizationName(QStringLiteral("ordova"));
    app.setQuitOnLastWindowClosed(false);
    QtMessagePresenter presenter;
    MessageService::setPresenter(&presenter);

    // Common initialisation.
    SharedData::PrepareProcess();
    InitProcessValues();
    // Before this start writes a log of its own.
    const bool loggedBefore = FirstStartDatabase::HasEarlierLogs();
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

    // No application display name: the platform would append it to every window title,
    // and each window's caption is its own text. Message boxes carry "Zuvaro３" themselves.
    int rc = 0;
    {
        // Watch for SIGTERM/SIGINT before anything long runs. A stop request ends every
        // dialog and nested wait (core/StopRequest.h); control then comes back here, where
        // the teardown runs once.
        SignalWatcher watcher;
        QObject::connect(&watcher, &SignalWatcher::terminationRequested, &app, [](int sig) {
            WriteTraceLog(QStringLiteral("TfrmMain signal %1").arg(sig));
            StopRequest::Request(QStringLiteral("signal %1").arg(sig));
        });
        // The desktop session ending ends the program the same way.
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                         [](QSessionManager&) { StopRequest::Request(QStringLiteral("session end")); });
        if (MissingDatabase::Settle(GTelDbPath, GAutoBackupPath, loggedBefore)) {
            // A file of the older on-disk structure (from a PC of the older release, or this PC's
            // own after the system upgrade) is carried over before anything attaches to it.
            StructureConversion::ConvertAtStart(GTelDbPath);
            dmCmn = new TdmCmn(GTelDbPath);
        }
        ZuvaroApplication::setReconnectHandler([](const QString& message) {
            if (dmCmn)
                dmCmn->ReDBConnect(message);
            SignalWatcher::ReinstallHandlers();
        });
        auto form = dmCmn ? std::make_unique<TfrmMain>() : nullptr;
        bool created = false;
        try {
            created = form && form->FormCreate();
        } catch (const AppError& e) {
            // A failure after the database is up (a list that did not load): report it
            // like any other and keep going.
            ZuvaroApplication::HandleException(e);
            created = !form->StartupAborted();
        }
        if (!form) {
            // Ended at the missing database: nothing was attached or created.
            rc = 1;
        } else if (!created) {
            // A login that was not completed ends the program normally.
            rc = form->LoginRefused() ? 0 : 1;
        } else {
            // The engine has made its lock files by now.
            SharedData::HandBackToGroup({GTelDbPath});
            QObject::connect(form.get(), &TfrmMain::destroyed, &app, &QCoreApplication::quit);
            // A stop during start-up has already ended the loops; the main loop would
            // forget it.
            if (!StopRequest::Requested()) {
                form->ShowMainWindow();
                rc = app.exec();
            }
            form->Teardown();
        }
        if (StopRequest::Requested())
            rc = 0;
    }

    ZuvaroApplication::setReconnectHandler(nullptr);
    delete dmCmn;
    dmCmn = nullptr;
    ShutdownEngine();
    SharedData::HandBackToGroup({GTelDbPath});

    // Common finalisation.
    CloseSettingsFile();
    instance.release();
    if (gRestartRequested)
        Restart();
    gCurrentUser = TUser();
    MessageService::setPresenter(nullptr);
    return rc;
}
