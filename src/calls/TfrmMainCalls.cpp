// The main window's call log, its refresh, and the screen side of incoming calls.
#include "calls/CallLog.h"
#include "calls/CallLogModel.h"
#include "calls/CallWarning.h"
#include "calls/MasterLists.h"
#include "calls/SpeechAnnouncer.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "core/AppError.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/PhoneNumberForm.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "db/UnknownCaller.h"
#include "platform/SpeechEngine.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTimer>

namespace {
const QString kFlashColour = QStringLiteral("#bbeeaa");
const QString kNameStyle = QStringLiteral("font-size: 14pt; background-color: %1;");
const QString kTipColour = QStringLiteral("palette(tool-tip-base)");

TCallKind selectedKind(const TfrmMain* f)
{
    if (f->rbIncoming->isChecked())
        return TCallKind::Incoming;
    if (f->rbOutgoing->isChecked())
        return TCallKind::Outgoing;
    return TCallKind::All;
}
} // namespace

void TfrmMain::MakeLogGrid()
{
    WriteTraceLog(QStringLiteral("TfraCust.MakeLogGrid begin"));
    const QDate day = DateTimePicker1->date();
    const TCallKind kind = selectedKind(this);
    if (FAppendOnly && FLogModel->Shows(day, kind) && !FLogModel->IsEmpty()) {
        QList<QDateTime> times;
        const QList<TLogRow> newer = CallLog::LoadNewer(dmCmn->sqlNewerCalls, day, kind, FLogModel->MaxLogNo(), &times);
        if (FLogModel->Merge(newer, times)) {
            QStringList keys;
            for (const TLogRow& r : newer)
                if (!r.CustTelNon.isEmpty() && !keys.contains(r.CustTelNon))
                    keys << r.CustTelNon;
            FNewCallKeys = keys;
            WriteTraceLog(QStringLiteral("TfraCust.MakeLogGrid end"));
            emit logGridLoaded();
            return;
        }
    }
    QList<QDateTime> times;
    const QList<TLogRow> rows = CallLog::LoadDay(dmCmn->sqlWork, day, kind, &times);
    FLogModel->Reset(day, kind, rows, times);
    WriteTraceLog(QStringLiteral("TfraCust.MakeLogGrid end"));
    emit logGridLoaded();
}

bool TfrmMain::CallWaiting() const
{
    return FPipeline && FPipeline->CallWaiting();
}

bool TfrmMain::Refreshing() const
{
    return FPipeline && FPipeline->Refreshing();
}

// Lets pending messages run between refresh steps; true when a waiting call means stop.
bool TfrmMain::RefreshStep()
{
    QCoreApplication::processEvents();
    return CallWaiting();
}

void TfrmMain::RefreshTables(const TUpTable& flags)
{
    if (FPipeline)
        FPipeline->BeginRefresh();
    struct EndGuard
    {
        CallPipeline* p;
        ~EndGuard()
        {
            if (p)
                p->EndRefresh();
        }
    } guard{FPipeline};
    WriteTraceLog(QStringLiteral("TfrmMain.RefreshTables begin"));
    TUpTable sent = flags;
    if (flags.Flags[TUpTable::LogTable] || flags.Flags[TUpTable::TelsTable]) {
        FNewCallKeys.reset();
        MakeLogGrid();
        // Only new calls read: only their customers' tabs reload below, not every open tab
        // (tabs gather through a day, and each reloaded its history for every call).
        if (FAppendOnly && flags.Key.isEmpty())
            sent.NewCallKeys = FNewCallKeys;
        if (RefreshStep())
            return;
        // Customer tabs and the response page reload on tablesRefreshed below.
    }
    if (FMasterLists) {
        if (flags.Flags[TUpTable::UserTable])
            FMasterLists->MakeUserTemp();
        if (flags.Flags[TUpTable::TypeTable])
            FMasterLists->MakeActTypeTemp();
        if (flags.Flags[TUpTable::ResultTable])
            FMasterLists->MakeActResultTemp();
        if (flags.Flags[TUpTable::OptionTable])
            FMasterLists->MakeCustOptionTemp();
        if (flags.Flags[TUpTable::OptionDTable])
            FMasterLists->MakeCustOptionDataTemp();
    }
    emit tablesRefreshed(sent);
    WriteTraceLog(QStringLiteral("TfrmMain.RefreshTables end"));
}

void TfrmMain::BtnRefreshClick()
{
    TUpTable all = TUpTable::All();
    // A customer number that matches no tab: no response list is reloaded needlessly.
    all.CustNo = 0;
    RefreshTables(all);
    // Blink the title six times to show that something happened.
    ImgTitle2->setPixmap(ImgTitle->pixmap());
    for (int i = 0; i < 6; ++i) {
        QTimer::singleShot(i * 1000, ImgTitle2, [this]() { ImgTitle2->show(); });
        QTimer::singleShot(i * 1000 + 500, ImgTitle2, [this]() { ImgTitle2->hide(); });
    }
}

void TfrmMain::ChangeDay(const QDate& day)
{
    if (DateTimePicker1->date() != day) {
        // The date edit's own signal does the rest.
        DateTimePicker1->setDate(day);
        return;
    }
    MakeLogGrid();
    edtCall->clear();
    pnlCallName->clear();
    ShowCallWarning(CallWarning());
}

void TfrmMain::sgdLogClick(int row)
{
    pnlCalledTelNo->hide();
    pnlCalledName->hide();
    if (row < 0 || row >= sgdLog->rowCount())
        return;
    edtCall->setText(sgdLog->text(row, 1));
    pnlCallName->setText(sgdLog->text(row, 4));
    ShowCallWarning(CallWarning());
}

QString TfrmMain::GetCallerName(const QString& typed)
{
    WriteTraceLog(QStringLiteral("GetCallerName TelNo=") + typed);
    if (typed.isEmpty())
        return QString();
    // Typed or dialled in any form, it finds the caller stored in the national one.
    const QString telNo = PhoneNumberForm::Apply(typed);
    TTels tels;
    if (dmCmn->GetTels(telNo, tels))
        return tels.Caller;
    QString name, kana;
    if (dmCmn->GetCustInfo(telNo, name, kana))
        return name;
    return GUnknownName;
}

void TfrmMain::QueueCall(const TIncomingCall& call)
{
    if (FPipeline)
        FPipeline->Enqueue(call);
}

void TfrmMain::StartDemoCall(const QString& text)
{
    pnlCalledTelNo->setText(QStringLiteral("090xxxxxxx"));
    pnlCalledName->setText(QStringLiteral("デモショップ"));
    pnlCalledTelNo->show();
    pnlCalledName->show();
    QueueCall(TIncomingCall{text, QString(), 1, QStringLiteral("でもしょっぷ")});
}

void TfrmMain::RefreshAfterCall()
{
    // Changing the day would reload the grid once more; set it quietly, and only when it
    // changed (the same date set again repaints the picker on every call).
    if (DateTimePicker1->date() != Clock::today()) {
        const QSignalBlocker block(DateTimePicker1);
        DateTimePicker1->setDate(Clock::today());
    }
    RefreshNewCalls(TUpTable::With({TUpTable::LogTable, TUpTable::TelsTable}));
}

void TfrmMain::RefreshNewCalls(const TUpTable& flags)
{
    // Only the calls added since the last load are read, when the grid shows today already.
    FAppendOnly = true;
    const auto reset = qScopeGuard([this]() { FAppendOnly = false; });
    RefreshTables(flags);
}

void TfrmMain::ShowIncomingNumber(const QString& telNo)
{
    edtCall->setText(telNo);
    pnlCallName->clear();
    ShowCallWarning(CallWarning());
    // Painted now: the database work that follows may keep the event loop busy.
    if (edtCall->isVisible())
        edtCall->repaint();
}

void TfrmMain::CallStoreFailing(bool failing, int waiting)
{
    // The file may have been replaced: the next refresh reads the whole day.
    FLogModel->Clear();
    FCallStoreText = !failing ? QString()
                     : waiting > 0 ? QStringLiteral("通話をデータベースに保存できませんでした（未保存 %1 件）。"
                                                    "接続が戻りしだい保存します。")
                                         .arg(waiting)
                                   : QStringLiteral("データベースに接続できません。通話は接続が戻りしだい保存します。");
    ShowCallStoreState();
}

void TfrmMain::CallJournalUnwritable(bool unwritable, int inMemory, int lost)
{
    FJournalText =
        !unwritable ? QString()
                    : QStringLiteral("通話の控えファイルに書き込めません（ディスクの空き・権限を確認してください）。"
                                     "メモリに保持中 %1 件（プログラムを終了すると失われます）、失われた通話 %2 件。")
                          .arg(inMemory)
                          .arg(lost);
    ShowCallStoreState();
}

void TfrmMain::ShowCallStoreState()
{
    const QString text = QStringList{FJournalText, FCallStoreText}.join(QString()).trimmed();
    pnlCallStore->setText(text);
    pnlCallStore->setVisible(!text.isEmpty());
}

void TfrmMain::PresentCall(const TCallResult& call)
{
    edtCall->setText(call.TelNo);
    const bool unknown = call.Caller == GUnknownName || call.Caller == StoredUnknownName();
    const CallWarning warning = CallWarning::Of(call, unknown);
    pnlCallName->setText(warning.Withheld && unknown ? NumberDisplay::KindText(NumberKind::Withheld) : call.Caller);
    ShowCallWarning(warning);

    if (GJouchuIdx == 1) {
        WriteTraceLog(QStringLiteral("GJouchuIdx=1"));
        if (GJouchuOpen) {
            WriteTraceLog(QStringLiteral("GisJouchuOpen=true"));
            Open1Click();
        } else if (isVisible() || !GShowBalloon) {
            WriteTraceLog(QStringLiteral("frmMain.Visible=true"));
        } else {
            WriteTraceLog(QStringLiteral("frmMain.Visible=false"));
            ShowHelpBalloon(call.TelNo + QLatin1Char(' ') + call.Caller);
        }
    } else if (GJouchuIdx == 2) {
        WriteTraceLog(QStringLiteral("GJouchuIdx=2"));
        if (PageMain->currentIndex() == 0)
            sgdLog->setFocus();
        if (GJouchuOpen) {
            WriteTraceLog(QStringLiteral("GisJouchuOpen=true"));
            Open1Click();
        }
    } else if (PageMain->currentIndex() == 0) {
        sgdLog->setFocus();
    }

    if (FSpeaker)
        FSpeaker(call.ReadName, call.CalledReadName, warning.SpokenPrefix());
    else if (FSpeech)
        FSpeech->AnnounceCall(call.ReadName, call.CalledReadName, warning.SpokenPrefix());

    if (GBring)
        QMetaObject::invokeMethod(this, &TfrmMain::StartFlash, Qt::QueuedConnection);

    if (GAutoCustInfo && warning.OpenCustomerTab())
        OpenCustAccept(call.CustTelNon, QString(), call.LogNo, false);
    emit callPresented(call);
}

void TfrmMain::StartFlash()
{
    if (!FFlashTimer) {
        FFlashTimer = new QTimer(this);
        connect(FFlashTimer, &QTimer::timeout, this, &TfrmMain::FlashStep);
    }
    FFlashCount = 0;
    FlashStep();
    FFlashTimer->start(FFlashIntervalMs);
}

bool TfrmMain::Flashing() const
{
    return FFlashTimer && FFlashTimer->isActive();
}

void TfrmMain::FlashStep()
{
    if (FFlashCount >= 9) {
        FinishFlash();
        return;
    }
    ++FFlashCount;
    // Odd steps show the flash colour, even steps the normal one.
    pnlCallName->setStyleSheet(kNameStyle.arg(FFlashCount % 2 ? kFlashColour : PanelColour()));
}

void TfrmMain::FinishFlash()
{
    if (FFlashTimer)
        FFlashTimer->stop();
    pnlCallName->setStyleSheet(kNameStyle.arg(PanelColour()));
    pnlCalledTelNo->hide();
    pnlCalledName->hide();
    pnlCalledTelNo->clear();
    pnlCalledName->clear();
}

QString TfrmMain::PanelColour() const
{
    return FPanelColour.isEmpty() ? kTipColour : FPanelColour;
}

void TfrmMain::ShowCallWarning(const CallWarning& warning)
{
    FPanelColour = warning.PanelColour();
    pnlCallName->setStyleSheet(kNameStyle.arg(PanelColour()));
    const QString text = warning.PanelText();
    pnlCallInfo->setText(text);
    pnlCallInfo->setToolTip(text);
    pnlCallInfo->setStyleSheet(QStringLiteral("background-color: %1;").arg(PanelColour()));
    pnlCallInfo->setVisible(!text.isEmpty());
}
