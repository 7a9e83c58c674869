#include "core/AppGlobals.h"
#include "core/ProfileFile.h"
#include "devices/DeviceDialogRules.h"
#include "devices/DeviceSettings.h"
#include "devices/TTelCom.h"
#include "devices/TTelComList.h"
#include "support/TestEnv.h"

#include <QTest>

using namespace DeviceDialogRules;

class TestDeviceSettings : public QObject
{
    Q_OBJECT

private slots:
    void loadReadsCountEntriesOnly()
    {
        TestEnv env;
        QVERIFY(DeviceSettings::Load().isEmpty()); // no section at all
        env.writeIni(QStringLiteral("[ADAPTA]\nCOUNT=2\n"
                                    "PORT_NO_1=60600\nDISP_NAME_1=本店\nREAD_NAME_1=ほんてん\nDEVICE_INDEX_1=0\n"
                                    "PORT_NO_2=3\nDISP_NAME_2=倉庫\nREAD_NAME_2=\n"
                                    "PORT_NO_3=60601\nDISP_NAME_3=残り\nDEVICE_INDEX_3=0\n"));
        const QList<TDeviceSetting> s = DeviceSettings::Load();
        QCOMPARE(s.size(), 2);
        QCOMPARE(s[0].PortNo, 60600);
        QCOMPARE(s[0].DispName, QStringLiteral("本店"));
        QCOMPARE(s[0].ReadName, QStringLiteral("ほんてん"));
        QCOMPARE(s[0].DeviceIndex, 0);
        QCOMPARE(s[1].PortNo, 3);
        QCOMPARE(s[1].DeviceIndex, -1); // key missing: no device type
        QCOMPARE(DeviceIndexToDeviceType(s[1].DeviceIndex), dtNone);

        // A count far beyond the entries: bounded by the highest entry present.
        env.writeIni(QStringLiteral("[ADAPTA]\nCOUNT=2147483647\nPORT_NO_1=60600\nREAD_NAME_3=さんばん\n"));
        const QList<TDeviceSetting> bounded = DeviceSettings::Load();
        QCOMPARE(bounded.size(), 3);
        QCOMPARE(bounded[2].ReadName, QStringLiteral("さんばん"));
        env.writeIni(QStringLiteral("[ADAPTA]\nCOUNT=2147483647\n"));
        QVERIFY(DeviceSettings::Load().isEmpty());

        TTelCom d;
        DeviceSettings::Apply(d, s[1]);
        QCOMPARE(d.Tag(), -1);
        QCOMPARE(d.PortNo(), 3);
        QCOMPARE(Row(d).Kind, QString());
    }

    void saveWritesInPortOrder()
    {
        TestEnv env;
        TTelCom a, b, c;
        DeviceSettings::Apply(a, {60602, QStringLiteral("二号"), QStringLiteral("にごう"), 0});
        DeviceSettings::Apply(b, {5, QStringLiteral("青歯"), QString(), 1});
        DeviceSettings::Apply(c, {60600, QStringLiteral("一号"), QStringLiteral("いちごう"), -1});
        TTelComList list;
        list.Add(&a);
        list.Add(&b);
        list.Add(&c);
        QVERIFY(DeviceSettings::Save(list));
        QCOMPARE(list.Items(0), &b); // the list itself is in port order afterwards
        QCOMPARE(list.Items(2), &a);
        QCOMPARE(gIni->ReadString(QStringLiteral("ADAPTA"), QStringLiteral("COUNT"), {}), QStringLiteral("3"));
        QCOMPARE(gIni->ReadString(QStringLiteral("ADAPTA"), QStringLiteral("PORT_NO_1"), {}), QStringLiteral("5"));
        QCOMPARE(gIni->ReadString(QStringLiteral("ADAPTA"), QStringLiteral("DEVICE_INDEX_2"), {}),
                 QStringLiteral("-1"));

        QList<TDeviceSetting> back = DeviceSettings::Load();
        QCOMPARE(back.size(), 3);
        const int ports[] = {5, 60600, 60602};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(back[i].PortNo, ports[i]);
            const TDeviceSetting orig = DeviceSettings::FromDevice(*list.Items(i));
            QCOMPARE(back[i].DispName, orig.DispName);
            QCOMPARE(back[i].ReadName, orig.ReadName);
            QCOMPARE(back[i].DeviceIndex, orig.DeviceIndex);
        }

        // Fewer devices: COUNT shrinks and the leftover entry no longer loads.
        list.Delete(0);
        QVERIFY(DeviceSettings::Save(list));
        back = DeviceSettings::Load();
        QCOMPARE(back.size(), 2);
        QCOMPARE(back[0].PortNo, 60600);
    }

    void validationOrder_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("message");
        const QString port = QStringLiteral("ポート番号を入力してください。");
        const QString kind = QStringLiteral("種類を選択してください。");
        const QString name = QStringLiteral("名称を入力してください。");
        QTest::newRow("all empty") << "  " << -1 << "" << int(TSetupField::PortNo) << port;
        QTest::newRow("zero port") << "0" << 0 << "x" << int(TSetupField::PortNo) << port;
        QTest::newRow("port too long") << "123456789" << 0 << "x" << int(TSetupField::PortNo) << port;
        QTest::newRow("no kind") << "60600" << -1 << "" << int(TSetupField::DeviceKind) << kind;
        QTest::newRow("blank name") << " 60600 " << 1 << "　 " << int(TSetupField::DispName) << name;
        QTest::newRow("fine") << "99999999" << 0 << "本店" << int(TSetupField::None) << QString();
    }

    void validationOrder()
    {
        QFETCH(QString, port);
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(int, field);
        QFETCH(QString, message);
        const TSetupCheck c = Check({port, kind, name, QString()});
        QCOMPARE(int(c.Field), field);
        QCOMPARE(c.Message, message);
        if (message.isEmpty())
            QCOMPARE(c.PortNo, port.trimmed().toInt());
    }

    void stateHintsAndDeleteTarget()
    {
        QCOMPARE(StateText(false, true), QStringLiteral("切断中"));
        QCOMPARE(StateText(true, true), QStringLiteral("接続中"));
        QCOMPARE(StateText(true, false), QStringLiteral("接続待ち"));

        QCOMPARE(HintLines(-1), QStringList(5, QString()));
        QCOMPARE(HintLines(0).at(4), QStringLiteral("⑤スマホアプリで 停止 → 開始 ボタンをクリックしてください。"));
        QCOMPARE(HintLines(1).at(0), QStringLiteral("①スマホとパソコンをCOMポート経由でBluetooth接続してください。"));
        QVERIFY(ShowsPortNote(0) && !ShowsPortNote(1) && !ShowsDeviceManager(0) && ShowsDeviceManager(1));

        TTelCom a, b;
        a.SetPortNo(60600);
        b.SetPortNo(-1); // an entry whose port was missing can still be deleted
        TTelComList list;
        QCOMPARE(DeviceToDelete(list, 0, QString()), nullptr); // the empty row of an empty list
        list.Add(&a);
        list.Add(&b);
        QCOMPARE(DeviceToDelete(list, -1, QStringLiteral("60600")), nullptr);
        QCOMPARE(DeviceToDelete(list, 0, QStringLiteral("abc")), nullptr);
        QCOMPARE(DeviceToDelete(list, 0, QStringLiteral("60601")), nullptr);
        QCOMPARE(DeviceToDelete(list, 0, QStringLiteral("60600")), &a);
        QCOMPARE(DeviceToDelete(list, 1, QStringLiteral("-1")), &b);
    }

    void serialPortNumberFromTemplate()
    {
        TestEnv env;
        QCOMPARE(PortNoOfSerialDevice(QStringLiteral("/dev/rfcomm12")), 12);
        QCOMPARE(PortNoOfSerialDevice(QStringLiteral("/dev/ttyUSB0")), -1);
        QCOMPARE(PortNoOfSerialDevice(QStringLiteral("/dev/rfcomm")), -1);
        env.writeIni(QStringLiteral("[ANDROID]\nSERIAL_DEVICE=/tmp/x/pty%1.link\n"));
        QCOMPARE(PortNoOfSerialDevice(QStringLiteral("/tmp/x/pty7.link")), 7);
        QCOMPARE(PortNoOfSerialDevice(QStringLiteral("/dev/rfcomm12")), -1);
    }
};

QTEST_GUILESS_MAIN(TestDeviceSettings)
#include "tst_devicesettings.moc"
