#pragma once

#include "calls/ExternalLinks.h"
#include "calls/ProgramLauncher.h"

#include <QObject>

#include <memory>

class QMenu;
class TfrmMain;

// The external links in the main window: "顧客情報(&I)" and its program menu, the launch on
// every incoming call, the end requests at shutdown, and the "環境設定" and "外部接続" dialogs.
class ExternalPlugin : public QObject
{
    Q_OBJECT
public:
    explicit ExternalPlugin(TfrmMain& form);
    ~ExternalPlugin() override;

    // The window's plug-in (tests reach it through here).
    static ExternalPlugin* Of(TfrmMain& form);

    ExternalLinks& Links();
    // Tests record instead of starting programs.
    void SetLauncher(ProgramLauncher& launcher) { Links().SetLauncher(launcher); }

    void SetLinkMenu();
    void SetLinkMenuDefault();
    void btnCustInfoClick();
    void btnSettingsClick();
    void btnInterfaceClick();
    void Launch(int ifNo, const QString& telNo, int portNo);

    QMenu* PopLink = nullptr;

private:
    TfrmMain& FForm;
    ProgramLauncher FLauncher;
    std::unique_ptr<ExternalLinks> FLinks;
};

void InstallExternal(TfrmMain& form);
