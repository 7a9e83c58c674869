#include "logs/TfrmDelete.h"

#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/AppError.h"
#include "core/MessageService.h"
#include "core/StopRequest.h"
#include "db/FbDatabase.h"
#include "db/IndexStatistics.h"
#include "db/TdmCmn.h"
#include "logs/LogDeletion.h"
#include "logs/LogDeletionRun.h"
#include "ui/DialogKit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QThread>

#include <memory>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QComboBox* monthBox(const char* name)
{
    auto* c = new QComboBox;
    c->setObjectName(QLatin1String(name));
    c->setEditable(true);
    for (int m = 1; m <= 12; ++m)
        c->addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    c->setCurrentText(Clock::today().toString(QStringLiteral("MM")));
    return c;
}

QLineEdit* yearEdit(const char* name)
{
    auto* e = new QLineEdit(Clock::today().toString(QStringLiteral("yyyy")));
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(4);
    e->setFixedWidth(60);
    return e;
}
} // namespace

TfrmDelete::TfrmDelete(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDelete"));
    setWindowTitle(QStringLiteral("発着信履歴データ削除"));
    edtFromYear = yearEdit("edtFromYear");
    cbxFromMonth = monthBox("cbxFromMonth");
    edtToYear = yearEdit("edtToYear");
    cbxToMonth = monthBox("cbxToMonth");
    btnDelete = new QPushButton(QStringLiteral("削除(&D)"));
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnDelete->setAutoDefault(false);
    btnClose = new QPushButton(QStringLiteral("閉じる(&X)"));
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    pbDelete = new QProgressBar;
    pbDelete->setObjectName(QStringLiteral("pbDelete"));
    pbDelete->setRange(0, 1000);
    pbDelete->setTextVisible(false);
    pbDelete->hide();
    btnStop = new QPushButton(QStringLiteral("中止"));
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setAutoDefault(false);
    btnStop->hide();

    auto* box = new QGroupBox(QStringLiteral("削除期間"));
    auto* row = new QHBoxLayout(box);
    row->addWidget(edtFromYear);
    row->addWidget(new QLabel(QStringLiteral("年")));
    row->addWidget(cbxFromMonth);
    row->addWidget(new QLabel(QStringLiteral("月 ～")));
    row->addWidget(edtToYear);
    row->addWidget(new QLabel(QStringLiteral("年")));
    row->addWidget(cbxToMonth);
    row->addWidget(new QLabel(QStringLiteral("月")));
    row->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pbDelete, 1);
    buttons->addWidget(btnStop);
    buttons->addStretch();
    buttons->addWidget(btnDelete);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addLayout(buttons);

    connect(btnDelete, &QPushButton::clicked, this, &TfrmDelete::btnDeleteClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmDelete::reject);
    connect(btnStop, &QPushButton::clicked, this, &TfrmDelete::reject);
    resize(420, 130);
    DialogKit::Apply(this);
}

void TfrmDelete::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    edtFromYear->setFocus();
}

void TfrmDelete::btnDeleteClick()
{
    // The question comes first; the period is checked only after Yes.
    if (!MessageService::Ask(LogDeletion::Question()))
        return;
    const LogDeletion::Statement s = LogDeletion::Build(edtFromYear->text(), cbxFromMonth->currentText(),
                                                        edtToYear->text(), cbxToMonth->currentText(), Clock::today());
    if (s.problem == LogDeletion::Statement::BadStart) {
        MessageService::Warning(LogDeletion::BadStartMessage());
        edtFromYear->setFocus();
        return;
    }
    if (s.problem == LogDeletion::Statement::BadEnd) {
        MessageService::Warning(LogDeletion::BadEndMessage());
        edtToYear->setFocus();
        return;
    }
    WriteTraceLog(QStringLiteral("TfrmDelete deletes ") + s.sql);
    // An attachment of its own on the deletion's thread: the window's stays free for calls.
    FbDatabase db;
    db.setDatabaseName(dmCmn->IBDatabase1.databaseName());
    db.setParams(dmCmn->IBDatabase1.params());
    db.setSqlDialect(dmCmn->IBDatabase1.sqlDialect());
    LogDeletionRun run(s.where, FBatchRows);
    LogDeletionRun::Result result;
    QProgressBar* bar = pbDelete;
    std::unique_ptr<QThread> thread(QThread::create([&]() {
        result = run.Run(db, [bar](const LogDeletionRun::Progress& p) {
            QMetaObject::invokeMethod(bar, [bar, v = p.Permille]() { bar->setValue(v); }, Qt::QueuedConnection);
        });
    }));
    pbDelete->setValue(0);
    pbDelete->show();
    btnStop->setEnabled(true);
    btnStop->show();
    btnDelete->setEnabled(false);
    btnClose->setEnabled(false);
    FRun = &run;
    QEventLoop loop;
    connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    StopRequest::Exec(loop);
    if (thread->isRunning()) {
        run.RequestStop();
        thread->wait();
    }
    QCoreApplication::sendPostedEvents(pbDelete);
    FRun = nullptr;
    pbDelete->hide();
    btnStop->hide();
    btnDelete->setEnabled(true);
    btnClose->setEnabled(true);

    if (result.Deleted > 0)
        IndexStatistics::MarkStale(*dmCmn);
    if (result.Deleted > 0 || result.Error.isEmpty())
        emit logsDeleted();
    if (StopRequest::Requested()) {
        QDialog::reject(); // it asked the deletion to stop while it ran
        return;
    }
    if (!result.Error.isEmpty())
        throw AppError(result.Error);
    if (result.Stopped)
        MessageService::Information(LogDeletion::StoppedMessage(result.Deleted));
    else
        MessageService::Information(LogDeletion::DoneMessage());
}

void TfrmDelete::reject()
{
    if (FRun) {
        FRun->RequestStop();
        btnStop->setEnabled(false);
        return;
    }
    QDialog::reject();
}
