#include "core/Cp932.h"
#include "responses/AcceptRules.h"

#include <QtTest>

// The response tab's caption, what the inputs store, and the column-width check.
class TestAcceptRules : public QObject
{
    Q_OBJECT
private slots:
    void caption_data()
    {
        QTest::addColumn<int>("actNo");
        QTest::addColumn<bool>("browse");
        QTest::addColumn<QString>("caption");
        // Kanji take two positions: " 新 規" is six of the fifteen.
        QTest::newRow("new") << -1 << false << QString::fromUtf8(" 新 規         E");
        QTest::newRow("stored") << 42 << true << QString::fromUtf8("No.42          B");
        QTest::newRow("edit") << 7 << false << QString::fromUtf8("No.7           E");
        QTest::newRow("widest number") << 2147483647 << true << QString::fromUtf8("No.2147483647  B");
    }
    void caption()
    {
        QFETCH(int, actNo);
        QFETCH(bool, browse);
        QFETCH(QString, caption);
        const QString got = AcceptRules::TabCaption(actNo, browse);
        QCOMPARE(got, caption);
        QCOMPARE(Cp932::byteLength(AcceptRules::CaptionLabel(got)), 15);
        // Both modes of one response share the label, which is how an open tab is found.
        QCOMPARE(AcceptRules::CaptionLabel(AcceptRules::TabCaption(actNo, !browse)), AcceptRules::CaptionLabel(got));
    }

    void choicesAndNumbers()
    {
        const QStringList ids{"", "0001", "0002"};
        QCOMPARE(AcceptRules::IndexOfId(ids, "0002"), 2);
        QCOMPARE(AcceptRules::IndexOfId(ids, "0009"), -1); // deleted since: no selection
        QCOMPARE(AcceptRules::IndexOfId(ids, ""), 0);
        QCOMPARE(AcceptRules::IdAt(ids, 1), QString("0001"));
        for (int index : {-1, 0, 3})
            QCOMPARE(AcceptRules::IdAt(ids, index), QString());

        QCOMPARE(AcceptRules::LogNoForSave("17"), QString("17"));
        for (const char* bad : {"", "abc", "1.5", " 3", "12x"})
            QCOMPARE(AcceptRules::LogNoForSave(bad), QString());
        QVERIFY(!AcceptRules::WholeNumber("").has_value());
        QCOMPARE(AcceptRules::WholeNumber("-1").value_or(0), -1);
    }

    void toAcceptKeepsTheCallOnlyForANewResponse()
    {
        AcceptRules::Input in;
        in.CustNo = "5";
        in.Date = QDate(2026, 3, 4);
        in.Time = QTime(13, 45, 30, 999);
        in.TypeIndex = 2;
        in.ResultIndex = 0;
        in.UserIndex = -1;
        in.Title = "t";
        in.Content = "a\nb";
        in.LogNo = "88";
        const QStringList ids{"", "A", "B"};
        TAccept a = AcceptRules::ToAccept(in, ids, ids, ids);
        QCOMPARE(a.ActNo, -1);
        QCOMPARE(a.LogNo, QString("88"));
        QCOMPARE(a.ActDt, QDateTime(QDate(2026, 3, 4), QTime(13, 45, 30)));
        QCOMPARE(a.TypeId, QString("B"));
        QVERIFY(a.ResultId.isEmpty());
        QVERIFY(a.UserId.isEmpty());
        QCOMPARE(a.Content, QString("a\nb"));
        in.ActNo = 9;
        a = AcceptRules::ToAccept(in, ids, ids, ids);
        QCOMPARE(a.LogNo, QString()); // an existing response's call link never changes
    }

    void lengthsInShiftJisBytes_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("problem");
        const QString ok;
        QTest::newRow("fits") << QString(100, 'a') << QString(400, 'b') << ok;
        QTest::newRow("50 kanji fit") << QString(50, QChar(0x6f22)) << QString(200, QChar(0x5b57)) << ok;
        QTest::newRow("title 101") << QString(101, 'a') << QString()
                                   << QString::fromUtf8("件名は100バイト以内で入力してください。");
        QTest::newRow("title 51 kanji") << QString(51, QChar(0x6f22)) << QString()
                                        << QString::fromUtf8("件名は100バイト以内で入力してください。");
        QTest::newRow("content 401") << QString() << QString(399, 'b') + QChar(0x5b57)
                                     << QString::fromUtf8("内容は400バイト以内で入力してください。");
    }
    void lengthsInShiftJisBytes()
    {
        QFETCH(QString, title);
        QFETCH(QString, content);
        QFETCH(QString, problem);
        QCOMPARE(AcceptRules::LengthProblem(title, content), problem);
    }
};

QTEST_GUILESS_MAIN(TestAcceptRules)
#include "tst_acceptrules.moc"
