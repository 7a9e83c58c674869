#include "core/AppError.h"
#include "devices/TTelCom.h"
#include "devices/TTelComList.h"
#include "support/TestEnv.h"

#include <QTest>

class TestTelComList : public QObject
{
    Q_OBJECT

private slots:
    void sortAndIndexErrors()
    {
        TTelCom a, b, c;
        a.SetPortNo(60602);
        b.SetPortNo(5);
        c.SetPortNo(60600);
        TTelComList list;
        QCOMPARE(list.Add(&a), 0);
        QCOMPARE(list.Add(&b), 1);
        QCOMPARE(list.Add(&c), 2);
        list.SortByPortNo();
        QCOMPARE(list.Items(0), &b);
        QCOMPARE(list.Items(1), &c);
        QCOMPARE(list.Items(2), &a);
        for (int bad : {-1, 3}) {
            try {
                list.Items(bad);
                QFAIL("no error for an index outside the list");
            } catch (const AppError& e) {
                QCOMPARE(e.message(), QStringLiteral("インデックスがリストの範囲を超えています"));
            }
        }
        list.Delete(0);
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list.Items(0), &c);
        QVERIFY_THROWS_EXCEPTION(AppError, list.Delete(2));
        list.Clear();
        QCOMPARE(list.Count(), 0);
    }

    void deviceKinds()
    {
        QCOMPARE(DeviceIndexToDispName(0), QStringLiteral("Android（Wi-Fi）"));
        QCOMPARE(DeviceIndexToDispName(1), QStringLiteral("Android（Bluetooth）"));
        QCOMPARE(DeviceIndexToDispName(-1), QString());
        QCOMPARE(DeviceIndexToDeviceType(0), dtAndroidWifi);
        QCOMPARE(DeviceIndexToDeviceType(1), dtAndroid);
        QCOMPARE(DeviceIndexToDeviceType(2), dtNone);
        TTelCom t;
        QCOMPARE(t.Version(), QStringLiteral("3.2.3.39"));
        QCOMPARE(t.PortNo(), 0);
        QVERIFY(!t.Active() && !t.Connecting() && !t.ClientConnecting());
    }

    void serialDeviceTemplateFromSettings()
    {
        TestEnv env;
        QCOMPARE(TTelCom::SerialDevicePath(3), QStringLiteral("/dev/rfcomm3"));
        env.writeIni(QStringLiteral("[ANDROID]\nSERIAL_DEVICE=/tmp/phone%1.tty\n"));
        QCOMPARE(TTelCom::SerialDevicePath(3), QStringLiteral("/tmp/phone3.tty"));
    }

    void connectFailuresCarryTheUsersText()
    {
        TestEnv env;
        env.writeIni(QStringLiteral("[ANDROID]\nSERIAL_DEVICE=%1/nodevice%2\n").arg(env.root(), QStringLiteral("%1")));
        TTelCom t;
        try {
            t.Connect(7, dtAndroid, false, 30000, env.root(), true);
            QFAIL("opened a missing device");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("7 ポートをオープンできませんでした。"));
        }
        QVERIFY(!t.Active());
        QVERIFY(!t.SupervisionRunning());

        // A log folder under a plain file cannot be created: fail before the link is touched.
        env.writeIni(QString());
        QFile file(env.path(QStringLiteral("plain")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        try {
            t.Connect(60600, dtAndroidWifi, false, 30000, env.path(QStringLiteral("plain/log")), true);
            QFAIL("accepted an impossible log folder");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("ログディレクトリが無効です。"));
        }
        QVERIFY(!t.Connecting());
    }

    void wifiPortOutsideTcpRangeDoesNotListen()
    {
        TestEnv env;
        TTelCom t;
        t.Connect(60600 + 65536, dtAndroidWifi, false, 30000, env.root(), true);
        QVERIFY(t.Active());
        QVERIFY(!t.Connecting()); // not a Connect failure: supervision retries
        t.Disconnect();
        QVERIFY(!t.SupervisionRunning());
    }
};

QTEST_GUILESS_MAIN(TestTelComList)
#include "tst_telcomlist.moc"
