#include "calls/TfrmHelp.h"

#include "calls/ProgramLauncher.h"
#include "core/MessageService.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

TfrmHelp::TfrmHelp(const QString& indexPage, ProgramLauncher* launcher, QWidget* parent)
    : QDialog(parent), FIndex(QUrl::fromLocalFile(indexPage))
{
    if (!launcher) {
        FDesktop = std::make_unique<ProgramLauncher>();
        launcher = FDesktop.get();
    }
    FLauncher = launcher;
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Zuvaro３ ヘルプ"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    auto* v = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    btnBack = button("btnBack", QStringLiteral("戻る(&B)"));
    btnHome = button("btnHome", QStringLiteral("目次(&T)"));
    buttons->addStretch(1);
    btnBrowser = button("btnBrowser", QStringLiteral("ブラウザで開く"));
    btnClose = button("btnClose", QStringLiteral("閉じる(&X)"));
    v->addLayout(buttons);

    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    // Links are followed here, so that a page of the help never ends up in the browser
    // unasked and an address outside it never in this window.
    txtHelp->setOpenLinks(false);
    txtHelp->setOpenExternalLinks(false);
    v->addWidget(txtHelp, 1);

    connect(txtHelp, &QTextBrowser::anchorClicked, this, &TfrmHelp::LinkClicked);
    connect(txtHelp, &QTextBrowser::backwardAvailable, btnBack, &QPushButton::setEnabled);
    connect(btnBack, &QPushButton::clicked, txtHelp, &QTextBrowser::backward);
    connect(btnHome, &QPushButton::clicked, this, [this] { txtHelp->setSource(FIndex); });
    connect(btnBrowser, &QPushButton::clicked, this, &TfrmHelp::btnBrowserClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    btnBack->setEnabled(false);
    txtHelp->setSource(FIndex);

    resize(760, 560);
    setMinimumSize(480, 320);
}

TfrmHelp::~TfrmHelp() = default;

TfrmHelp* TfrmHelp::Open(QWidget* parent, const QString& indexPage, ProgramLauncher* launcher)
{
    auto* help = parent ? parent->findChild<TfrmHelp*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!help) {
        help = new TfrmHelp(indexPage, launcher, parent);
    } else if (help->FIndex != QUrl::fromLocalFile(indexPage)) {
        // The pages are found in another place now: start over there.
        help->FIndex = QUrl::fromLocalFile(indexPage);
        help->txtHelp->clearHistory();
        help->txtHelp->setSource(help->FIndex);
    }
    help->show();
    help->raise();
    help->activateWindow();
    return help;
}

QUrl TfrmHelp::CurrentPage() const
{
    return FIndex.resolved(txtHelp->source());
}

void TfrmHelp::LinkClicked(const QUrl& link)
{
    const QUrl target = CurrentPage().resolved(link);
    if (target.isLocalFile()) {
        txtHelp->setSource(target);
        return;
    }
    if (!FLauncher->OpenUrl(target.toString()))
        MessageService::Warning(QStringLiteral("プログラムの起動に失敗しました。"));
}

void TfrmHelp::btnBrowserClick()
{
    if (!FLauncher->OpenUrl(CurrentPage().toString()))
        MessageService::Warning(QStringLiteral("プログラムの起動に失敗しました。"));
}
