#include "ui/ZuvaroApplication.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/InputError.h"
#include "core/MessageService.h"
#include "core/StopRequest.h"

#include <QDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QPointer>

namespace {
std::function<void(const QString&)> gReconnect;
bool gHandling = false;
}

ZuvaroApplication::ZuvaroApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
    if (!InstallJapaneseQtTexts(this))
        WriteLog(QStringLiteral("Qt's Japanese translation (qtbase_ja) not found: standard buttons stay in English"));
}

bool ZuvaroApplication::InstallJapaneseQtTexts(QCoreApplication* app)
{
    // The standard buttons ("Yes", "Cancel", ...) and dialogs come from Qt's own texts.
    auto* translator = new QTranslator(app);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void ZuvaroApplication::CloseAllDialogs()
{
    // Rejecting one dialog can run code that deletes another.
    QList<QPointer<QDialog>> dialogs;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
            dialogs << d;
    }
    for (const QPointer<QDialog>& d : dialogs) {
        if (d) {
            WriteTraceLog(QStringLiteral("Dialog closed by stop request: ") + d->objectName());
            d->done(QDialog::Rejected);
        }
    }
}

void ZuvaroApplication::setReconnectHandler(std::function<void(const QString&)> handler)
{
    gReconnect = std::move(handler);
}

void ZuvaroApplication::HandleException(const QString& message)
{
    WriteLog(QStringLiteral("This is on AppException Proc., E.Message=") + message);
    // The error dialog runs a nested loop; an error inside it must not stack dialogs.
    if (gHandling)
        return;
    gHandling = true;
    MessageService::Error(message);
    if (gReconnect) {
        try {
            gReconnect(message);
        } catch (...) {
        }
    }
    gHandling = false;
}

void ZuvaroApplication::HandleException(const AppError& error)
{
    if (!dynamic_cast<const InputError*>(&error)) {
        HandleException(error.message());
        return;
    }
    WriteLog(QStringLiteral("Input refused: ") + error.message());
    if (gHandling)
        return;
    gHandling = true;
    MessageService::Warning(error.message());
    gHandling = false;
}

bool ZuvaroApplication::notify(QObject* receiver, QEvent* event)
{
    // Which dialog is up is what a hang report (and a test of ending) needs to know.
    if (event->type() == QEvent::Show && receiver->isWidgetType() && static_cast<QWidget*>(receiver)->isWindow() &&
        qobject_cast<QDialog*>(receiver)) {
        QString what = receiver->objectName();
        if (auto* box = qobject_cast<QMessageBox*>(receiver))
            what += QLatin1Char(' ') + box->text().section(QLatin1Char('\n'), 0, 0);
        WriteTraceLog(QStringLiteral("Dialog shown: ") + what);
    }
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError& e) {
        HandleException(e);
    } catch (const std::exception& e) {
        HandleException(QString::fromUtf8(e.what()));
    } catch (...) {
        HandleException(QStringLiteral("Unknown error"));
    }
    return false;
}
