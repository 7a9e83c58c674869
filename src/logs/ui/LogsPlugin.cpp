#include "logs/ui/LogsPlugin.h"

#include "calls/TUpTable.h"
#include "calls/TfrmMain.h"
#include "logs/TfrmDelete.h"
#include "logs/TfrmExport.h"
#include "logs/TfrmImport.h"
#include "db/TdmCmn.h"

#include <QBoxLayout>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void InstallLogs(TfrmMain& form)
{
    form.PlugButton("btnExport", [&form]() {
        TfrmExport dialog(&form);
        dialog.SetDay(form.DateTimePicker1->date());
        // A stop request ends a running export without its file and closes the dialog.
        QObject::connect(&form, &TfrmMain::tearingDown, &dialog, &TfrmExport::StopExport);
        dialog.exec();
    });
    // "データ取込" stands right after "データ出力" on the maintenance page.
    if (auto* exportButton = form.findChild<QPushButton*>(QStringLiteral("btnExport"))) {
        if (auto* row = qobject_cast<QBoxLayout*>(exportButton->parentWidget()->layout())) {
            auto* importButton = new QPushButton(QStringLiteral("データ取込"), exportButton->parentWidget());
            importButton->setObjectName(QStringLiteral("btnImport"));
            importButton->setToolTip(QStringLiteral("CSV ファイルや連絡先（vCard）から顧客・電話帳を取り込みます。"));
            row->insertWidget(row->indexOf(exportButton) + 1, importButton);
            // One more button on the row: the short captions give way, so no caption is cut.
            for (int i = 0; i < row->count(); ++i)
                if (auto* b = qobject_cast<QPushButton*>(row->itemAt(i)->widget()))
                    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 12);
        }
    }
    form.PlugButton("btnImport", [&form]() {
        if (!dmCmn)
            return;
        TfrmImport dialog(*dmCmn, &form);
        QObject::connect(&dialog, &TfrmImport::imported, &form, [&form]() {
            form.RefreshTables(TUpTable::With({TUpTable::TelsTable}));
        });
        QObject::connect(&form, &TfrmMain::tearingDown, &dialog, &TfrmImport::StopImport);
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
