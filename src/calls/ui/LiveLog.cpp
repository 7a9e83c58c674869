#include "calls/ui/LiveLog.h"

#include "calls/TfrmMain.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "db/FbDatabase.h"
#include "db/FbEventListener.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"

#include <QDateEdit>

void InstallLiveLog(TfrmMain& form)
{
    QObject::connect(&form, &TfrmMain::formCreated, &form, [&form]() {
        // An embedded database has no other writer.
        if (!FbDatabase::IsServerPath(GTelDbPath))
            return;
        auto* listener = new FbEventListener(GTelDbPath, TdmCmn::ConnectionParams(),
                                             QLatin1String(kLogInsertedEvent), &form);
        listener->setObjectName(QStringLiteral("LogEventListener"));
        QObject::connect(listener, &FbEventListener::posted, &form, [&form](int count) {
            WriteTraceLog(QStringLiteral("TfrmMain.LogInserted count=%1").arg(count));
            // Our own calls post the event too: a full reload of the day for each would make
            // every call cost more as the day fills.
            if (form.DateTimePicker1->date() == Clock::today())
                form.RefreshNewCalls(TUpTable::With({TUpTable::LogTable}));
        });
        QObject::connect(&form, &TfrmMain::tearingDown, listener, &FbEventListener::stop);
        listener->start();
    });
}
