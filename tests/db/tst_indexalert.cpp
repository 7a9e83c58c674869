// The index notice window, shown by the real upgrade while it builds indexes.

#include "core/MessageService.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "db/TfrmIndexAlert.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

namespace {

TfrmIndexAlert* visibleAlert()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* alert = qobject_cast<TfrmIndexAlert*>(w); alert && alert->isVisible())
            return alert;
    return nullptr;
}

} // namespace

class TstIndexAlert : public QObject
{
    Q_OBJECT

private:
    TestEnv FEnv;

private slots:
    void looksAsItShould()
    {
        TfrmIndexAlert alert;
        QCOMPARE(alert.windowTitle(), QStringLiteral("Zuvaro  データベース処理"));
        QStringList texts;
        for (QLabel* l : alert.findChildren<QLabel*>())
            texts << l->text();
        QCOMPARE(texts, QStringList({QStringLiteral("検索速度向上のためデータベースを更新中です。"),
                                     QStringLiteral("数分かかる場合があります。"),
                                     QStringLiteral("このまましばらくお待ちください。")}));
        QVERIFY(alert.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(alert.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(alert.cursor().shape(), Qt::WaitCursor);
    }

    void shownWhileIndexesAreBuilt()
    {
        TempDb db(TempDb::Initial);
        TdmCmn& dm = db.dm();
        int indexStatements = 0;
        int shownDuring = 0;
        dm.IBDatabase1.setStatementHook([&](const QString& sql) {
            if (!sql.startsWith(QLatin1String("CREATE INDEX IDX_LOG")) &&
                !sql.startsWith(QLatin1String("CREATE DESCENDING INDEX IDX_LOG")) &&
                !sql.startsWith(QLatin1String("CREATE INDEX IDX_TELS")))
                return;
            ++indexStatements;
            if (visibleAlert())
                ++shownDuring;
        });
        MessageService::setNextAnswer(MsgResult::Yes);
        TfrmIndexAlertNotice notice;
        QVERIFY(!visibleAlert());
        InitTables(dm, &notice);
        QCOMPARE(indexStatements, 3);
        QCOMPARE(shownDuring, 3);
        QVERIFY(!visibleAlert());
        QVERIFY(!notice.window());
    }
};

QTEST_MAIN(TstIndexAlert)
#include "tst_indexalert.moc"
