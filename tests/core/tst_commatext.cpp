#include "core/CommaText.h"

#include <QtTest>

class TestCommaText : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringList{"abc", "山田"} << "abc,山田";
        QTest::newRow("blank inside") << QStringList{"a b", "c"} << "\"a b\",c";
        QTest::newRow("comma inside") << QStringList{"1,2"} << "\"1,2\"";
        QTest::newRow("quotes inside") << QStringList{"say \"hi\""} << "\"say \"\"hi\"\"\"";
        QTest::newRow("full-width blank is no separator") << QStringList{"山田　太郎"} << "山田　太郎";
        QTest::newRow("leading blank kept") << QStringList{" x"} << "\" x\"";
        QTest::newRow("one empty entry") << QStringList{""} << "\"\"";
        QTest::newRow("nothing") << QStringList{} << "";
    }
    void roundTrip()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, text);
        QCOMPARE(CommaText::Join(entries), text);
        QCOMPARE(CommaText::Split(text), entries);
    }

    void readsLooseText()
    {
        // Written by hand or by older versions: unquoted blanks separate, empty entries stay.
        QCOMPARE(CommaText::Split("a,b c"), QStringList({"a", "b", "c"}));
        QCOMPARE(CommaText::Split("a,,b"), QStringList({"a", "", "b"}));
        QCOMPARE(CommaText::Split(" a , b "), QStringList({"a", "b"}));
        QCOMPARE(CommaText::Split("\"unterminated"), QStringList({"unterminated"}));
    }
};

QTEST_GUILESS_MAIN(TestCommaText)
#include "tst_commatext.moc"
