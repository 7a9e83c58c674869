#include "logs/ui/LogsPlugin.h"

#include "calls/TUpTable.h"
#include "calls/TfrmMain.h"
#include "logs/TfrmDelete.h"
#include "logs/TfrmExport.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

void InstallLogs(TfrmMain& form)
{
    form.PlugButton("btnExport", [&form]() {
        TfrmExport dialog(&form);
        dialog.SetDay(form.DateTimePicker1->date());
        // A stop request ends a running export without its file and closes the dialog.
        QObject::connect(&form, &TfrmMain::tearingDown, &dialog, &TfrmExport::StopExport);
        dialog.exec();
    });
    form.PlugButton("btnDelete", [&form]() {
        TfrmDelete dialog(&form);
        QObject::connect(&dialog, &TfrmDelete::logsDeleted, &form, [&form]() {
            form.RefreshTables(TUpTable::With({TUpTable::LogTable}));
            form.edtCall->clear();
            form.pnlCallName->clear();
        });
        dialog.exec();
    });
}
