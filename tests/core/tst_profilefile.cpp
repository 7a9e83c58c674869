#include "core/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestProfileFile : public QObject
{
    Q_OBJECT

    QTemporaryDir FDir;
    QString path(const char* name) { return FDir.filePath(QLatin1String(name)); }
    static void write(const QString& p, const QByteArray& bytes)
    {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray read(const QString& p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void missingFileReadsDefaults()
    {
        ProfileFile ini(path("none.ini"));
        QCOMPARE(ini.ReadString("BASIC", "BRING", "1"), QString("1"));
        QCOMPARE(ini.ReadInteger("SPEAK", "SPEED", 140), 140);
        QVERIFY(!ini.KeyExists("BASIC", "BRING"));
    }

    void missingKeyVersusEmptyValue()
    {
        const QString p = path("empty.ini");
        write(p, "[BASIC]\r\nBRING=\r\nJOUCHU= 2 \r\n");
        ProfileFile ini(p);
        QCOMPARE(ini.ReadString("BASIC", "BRING", "1"), QString(""));
        QVERIFY(ini.KeyExists("BASIC", "BRING"));
        QCOMPARE(ini.ReadString("BASIC", "SHOW_BALLOON", "1"), QString("1"));
        QCOMPARE(ini.ReadInteger("BASIC", "JOUCHU", 0), 2);
    }

    void namesMatchWithoutCaseAndFirstSectionWins()
    {
        const QString p = path("case.ini");
        write(p, "[speak]\nenabled=1\nSpeed=abc\n[SPEAK]\nENABLED=0\n");
        ProfileFile ini(p);
        QCOMPARE(ini.ReadString("SPEAK", "ENABLED", "0"), QString("1"));
        // Not an integer: the default.
        QCOMPARE(ini.ReadInteger("Speak", "SPEED", 140), 140);
    }

    void writesThroughAndKeepsOtherLines()
    {
        const QString p = path("keep.ini");
        write(p, "; shop settings\r\n[BASIC]\r\nJouchu=1\r\n\r\n[OTHER]\r\nX=y\r\n");
        ProfileFile ini(p);
        QVERIFY(ini.WriteString("basic", "JOUCHU", "2"));
        QVERIFY(ini.WriteString("BASIC", "NEW_KEY", "v"));
        QVERIFY(ini.WriteInteger("ADAPTA", "COUNT", 3));
        const QString text = QString::fromUtf8(read(p));
        QVERIFY(text.contains("; shop settings"));
        QVERIFY(text.contains("Jouchu=2")); // existing spelling of the key kept
        QVERIFY(text.indexOf("NEW_KEY=v") < text.indexOf("[OTHER]"));
        QVERIFY(text.contains("[ADAPTA]\nCOUNT=3"));
        QVERIFY(text.contains("X=y"));

        // A second object on the same file (another process) sees every write at once.
        ProfileFile other(p);
        QCOMPARE(other.ReadInteger("BASIC", "JOUCHU", 0), 2);
        QVERIFY(other.WriteString("MAIN_FORM", "HANDLE", "1234"));
        QCOMPARE(ini.ReadString("MAIN_FORM", "HANDLE", ""), QString("1234"));
    }

    void japaneseValuesInUtf8AndLegacyCp932()
    {
        const QString p = path("jp.ini");
        ProfileFile ini(p);
        QVERIFY(ini.WriteString("CALLER", "UNKNOWN_NAME", QString::fromUtf8("発信者不明")));
        QCOMPARE(ProfileFile(p).ReadString("CALLER", "UNKNOWN_NAME", ""), QString::fromUtf8("発信者不明"));

        // A file written on the old system: Shift-JIS bytes.
        const QString legacy = path("legacy.ini");
        write(legacy, "[SPEAK]\r\nFOOT1=\x82\xa9\x82\xe7\r\n");
        QCOMPARE(ProfileFile(legacy).ReadString("SPEAK", "FOOT1", ""), QString::fromUtf8("から"));
    }

    void lineBreaksCannotEnterAValue()
    {
        const QString p = path("nl.ini");
        ProfileFile ini(p);
        QVERIFY(ini.WriteString("S", "K", "a\r\nb"));
        QVERIFY(ini.WriteString("S", "L", "c"));
        QCOMPARE(ini.ReadString("S", "K", ""), QString("a  b"));
        QCOMPARE(ini.ReadString("S", "L", ""), QString("c"));
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
