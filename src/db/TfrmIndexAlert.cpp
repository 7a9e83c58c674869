#include "db/TfrmIndexAlert.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

TfrmIndexAlert::TfrmIndexAlert(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmIndexAlert"));
    setWindowTitle(QStringLiteral("Zuvaro  データベース処理"));
    setCursor(Qt::WaitCursor);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    const char* lines[] = {"検索速度向上のためデータベースを更新中です。", "数分かかる場合があります。",
                           "このまましばらくお待ちください。"};
    int n = 1;
    for (const char* text : lines) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setObjectName(QStringLiteral("lblMessage%1").arg(n++));
        layout->addWidget(label);
    }
    adjustSize();
    setFixedSize(size());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmIndexAlertNotice::TfrmIndexAlertNotice() = default;
TfrmIndexAlertNotice::~TfrmIndexAlertNotice() = default;

void TfrmIndexAlertNotice::begin()
{
    FWindow = std::make_unique<TfrmIndexAlert>();
    FWindow->show();
    FWindow->raise();
    FWindow->repaint();
    QApplication::processEvents();
}

void TfrmIndexAlertNotice::step()
{
    QApplication::processEvents();
}

void TfrmIndexAlertNotice::end()
{
    FWindow.reset();
}
