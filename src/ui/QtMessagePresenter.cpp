#include "ui/QtMessagePresenter.h"

#include <QApplication>
#include <QMessageBox>

MsgResult QtMessagePresenter::present(MsgKind kind, const QString& caption, const QString& text, MsgButtons buttons)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case MsgKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case MsgKind::Error:
        icon = QMessageBox::Critical;
        break;
    case MsgKind::Information:
        icon = QMessageBox::Information;
        break;
    case MsgKind::Confirmation:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons std = QMessageBox::Ok;
    switch (buttons) {
    case MsgButtons::Ok:
        std = QMessageBox::Ok;
        break;
    case MsgButtons::OkCancel:
        std = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MsgButtons::YesNo:
        std = QMessageBox::Yes | QMessageBox::No;
        break;
    case MsgButtons::YesNoCancel:
        std = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    // Texts come with Windows line ends; a message box wants plain ones.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(icon, caption, shown, std, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("zuvaroMessageBox"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        return MsgResult::Ok;
    }
}
