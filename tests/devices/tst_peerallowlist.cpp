#include "devices/PeerAllowList.h"

#include <QtTest>

class TestPeerAllowList : public QObject
{
    Q_OBJECT
private slots:
    void allows_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("peer");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("empty allows all") << "" << "203.0.113.9" << true;
        QTest::newRow("blank allows all") << "  " << "203.0.113.9" << true;
        QTest::newRow("address") << "192.168.1.20" << "192.168.1.20" << true;
        QTest::newRow("other address") << "192.168.1.20" << "192.168.1.21" << false;
        QTest::newRow("network") << "192.168.1.0/24" << "192.168.1.200" << true;
        QTest::newRow("outside network") << "192.168.1.0/24" << "192.168.2.1" << false;
        QTest::newRow("list with blanks") << "10.0.0.1 , 192.168.1.0/24" << "192.168.1.7" << true;
        QTest::newRow("mapped peer") << "127.0.0.1" << "::ffff:127.0.0.1" << true;
        QTest::newRow("loopback neighbour") << "127.0.0.1" << "127.0.0.2" << false;
        QTest::newRow("ipv6 network") << "fd00::/8" << "fd12::5" << true;
        QTest::newRow("only junk allows nobody") << "phone" << "127.0.0.1" << false;
        QTest::newRow("bad prefix") << "10.0.0.0/99" << "10.0.0.1" << false;
    }
    void allows()
    {
        QFETCH(QString, list);
        QFETCH(QString, peer);
        QFETCH(bool, allowed);
        QCOMPARE(PeerAllowList::Parse(list).Allows(QHostAddress(peer)), allowed);
    }

    void invalidEntriesAreNamed()
    {
        QStringList invalid;
        const PeerAllowList l = PeerAllowList::Parse("192.168.1.5, phone 10.0.0.0/33", &invalid);
        QCOMPARE(invalid, (QStringList{"phone", "10.0.0.0/33"}));
        QVERIFY(l.Allows(QHostAddress("192.168.1.5")));
        QVERIFY(!l.IsEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPeerAllowList)
#include "tst_peerallowlist.moc"
