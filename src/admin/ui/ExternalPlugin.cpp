#include "admin/ui/ExternalPlugin.h"

#include "admin/TfrmInterface.h"
#include "admin/TfrmSet.h"
#include "calls/SpeechAnnouncer.h"
#include "calls/TfrmMain.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"
#include "platform/WindowLayer.h"
#include "ui/ZuvaroApplication.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

ExternalPlugin::ExternalPlugin(TfrmMain& form) : QObject(&form), FForm(form)
{
    setObjectName(QStringLiteral("ExternalPlugin"));
    PopLink = new QMenu(&form);
    PopLink->setObjectName(QStringLiteral("PopLink"));
    auto* custInfo = form.findChild<QPushButton*>(QStringLiteral("btnCustInfo"));
    custInfo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(custInfo, &QWidget::customContextMenuRequested, this,
            [this, custInfo](const QPoint& pos) { PopLink->popup(custInfo->mapToGlobal(pos)); });
    form.PlugButton("btnCustInfo", [this]() { btnCustInfoClick(); });
    form.PlugButton("btnSettings", [this]() { btnSettingsClick(); });
    form.PlugButton("btnInterface", [this]() { btnInterfaceClick(); });
    form.AddMasterMenuItem(QStringLiteral("外部接続登録"), [this]() { btnInterfaceClick(); });

    connect(&form, &TfrmMain::formCreated, this, &ExternalPlugin::SetLinkMenu);
    connect(&form, &TfrmMain::callPresented, this, [this](const TCallResult& call) {
        if (!GAutoLaunch)
            return;
        if (call.Caution && !GCautionLaunch) {
            WriteTraceLog(QStringLiteral("ExecCustProg not started: caller flagged 要注意"));
            return;
        }
        // A failure ends this call's processing quietly, as any other failure of a call.
        try {
            Links().ExecCustProg(GIfNo, call.TelNo, call.PortNo);
        } catch (const AppError& e) {
            WriteLog(QStringLiteral("TfrmMain.ExecCustProg ") + e.message());
        }
    });
    connect(&form, &TfrmMain::tearingDown, this, [this]() {
        if (FLinks)
            FLinks->SendEndReq();
    });
}

ExternalPlugin::~ExternalPlugin() = default;

ExternalLinks& ExternalPlugin::Links()
{
    // Made on first use: the data module and the desktop's windows are there by then.
    if (!FLinks) {
        FLinks = std::make_unique<ExternalLinks>(*dmCmn, WindowLayer::Current(), FLauncher);
        FLinks->SetOnNoLink([this]() { btnSettingsClick(); });
    }
    return *FLinks;
}

ExternalPlugin* ExternalPlugin::Of(TfrmMain& form)
{
    return form.findChild<ExternalPlugin*>(QStringLiteral("ExternalPlugin"), Qt::FindDirectChildrenOnly);
}

void ExternalPlugin::Launch(int ifNo, const QString& telNo, int portNo)
{
    try {
        Links().ExecCustProg(ifNo, telNo, portNo);
    } catch (const AppError& e) {
        ZuvaroApplication::HandleException(e);
    }
}

void ExternalPlugin::SetLinkMenu()
{
    PopLink->clear();
    const QString sql = QStringLiteral("select * from INTERFACE order by IF_NO");
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    try {
        FbQuery q(dmCmn->IBDatabase1);
        q.setSql(sql);
        for (q.open(); !q.eof(); q.next()) {
            const int ifNo = q.fieldByName(QStringLiteral("IF_NO")).asInteger();
            QAction* a = PopLink->addAction(q.fieldByName(QStringLiteral("IF_NAME")).asString());
            a->setData(ifNo);
            connect(a, &QAction::triggered, this, [this, ifNo]() { Launch(ifNo, FForm.edtCall->text(), 0); });
        }
        q.close();
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("TfrmMain.SetLinkMenu ") + e.message());
    }
    QAction* own = PopLink->addAction(QStringLiteral("Zuvaroの顧客情報"));
    own->setObjectName(QStringLiteral("mnuOwnCustInfo"));
    connect(own, &QAction::triggered, this, [this]() { FForm.OpenCustTab(FForm.edtCall->text()); });
    SetLinkMenuDefault();
}

void ExternalPlugin::SetLinkMenuDefault()
{
    PopLink->setDefaultAction(nullptr);
    for (QAction* a : PopLink->actions()) {
        const bool isDefault = a->data().isValid() && GLinkEnabled && a->data().toInt() == GIfNo;
        QFont f = a->font();
        f.setBold(isDefault);
        a->setFont(f);
        if (isDefault)
            PopLink->setDefaultAction(a);
    }
}

void ExternalPlugin::btnCustInfoClick()
{
    if (GLinkEnabled)
        Launch(GIfNo, FForm.edtCall->text(), 0);
    else
        FForm.OpenCustTab(FForm.edtCall->text());
}

void ExternalPlugin::btnSettingsClick()
{
    TfrmSet dialog(&FForm);
    SettingsWriter::Hooks hooks;
    hooks.UseAccept = [this](bool on) { FForm.PageMain->setTabVisible(1, on); };
    hooks.SpeechOn = [this]() {
        if (FForm.Speech())
            FForm.Speech()->CreateEngine();
    };
    hooks.Jouchu = [this](int choice) {
        if (choice == 1)
            FForm.EnterJouchu();
        else
            FForm.EndJouchu();
    };
    dialog.SetHooks(std::move(hooks));
    const int result = dialog.exec();
    SetLinkMenuDefault();
    if (result == QDialog::Accepted && gRestartRequested) {
        WriteTraceLog(QStringLiteral("TfrmMain restart requested"));
        FForm.EndProgram();
    }
}

void ExternalPlugin::btnInterfaceClick()
{
    {
        TfrmInterface dialog(&FForm);
        dialog.exec();
    }
    SetLinkMenu();
}

void InstallExternal(TfrmMain& form)
{
    new ExternalPlugin(form);
}
