#include "devices/LineFramer.h"
#include "devices/Utf8ChunkDecoder.h"

#include <QTest>

class TestLineFraming : public QObject
{
    Q_OBJECT

    static QStringList Lines(LineFramer& f)
    {
        QStringList out;
        QString line;
        while (f.Next(&line))
            out << line;
        return out;
    }

private slots:
    void crEndsLineAndTerminatorStays()
    {
        LineFramer f;
        f.Append(QStringLiteral("OK\rAT+CNUM\r\nrest"));
        QCOMPARE(Lines(f), (QStringList{QStringLiteral("OK\r"), QStringLiteral("AT+CNUM\r\n")}));
        QCOMPARE(f.Buffer(), QStringLiteral("rest"));
    }

    void lfAloneIsText()
    {
        LineFramer f;
        f.Append(QStringLiteral("a\nb\n"));
        QVERIFY(Lines(f).isEmpty());
        f.Append(QStringLiteral("\r"));
        QCOMPARE(Lines(f), QStringList{QStringLiteral("a\nb\n\r")});
    }

    void crAtFrontStartsNextLine()
    {
        LineFramer f;
        f.Append(QStringLiteral("\r\n"));
        QVERIFY(Lines(f).isEmpty());
        f.Append(QStringLiteral("OK\r\n"));
        QCOMPARE(Lines(f), QStringList{QStringLiteral("\r\nOK\r\n")});
        // Also after a line was cut inside the same chunk.
        f.Append(QStringLiteral("A\r\r\nB\r"));
        QCOMPARE(Lines(f), (QStringList{QStringLiteral("A\r"), QStringLiteral("\r\nB\r")}));
    }

    void crLfSplitOverReadsGivesSameLines()
    {
        const QString text = QStringLiteral("AT+CNUM\r\n+CNUM: \"\",\"0901\",129\r\nOK\r\n");
        LineFramer whole;
        whole.Append(text);
        const QStringList expected = Lines(whole);
        for (int cut = 1; cut < text.size(); ++cut) {
            LineFramer f;
            QStringList got;
            f.Append(text.left(cut));
            got << Lines(f);
            f.Append(text.mid(cut));
            got << Lines(f);
            QCOMPARE(got.size(), expected.size());
            for (int i = 0; i < got.size(); ++i) {
                // A CR LF cut between its two characters leaves the line ending at CR; the LF
                // must not turn up in front of the next line.
                QString g = got.at(i), e = expected.at(i);
                if (g.endsWith(QLatin1Char('\r')) && e.endsWith(QStringLiteral("\r\n")))
                    e.chop(1);
                QCOMPARE(g, e);
            }
            QVERIFY(f.Buffer().isEmpty());
        }
    }

    void overflowIsBounded()
    {
        LineFramer f(16);
        f.Append(QString(40, QLatin1Char('x')));
        QVERIFY(Lines(f).isEmpty());
        QCOMPARE(f.DropOverflow(), 24);
        QCOMPARE(f.Size(), 16);
        // Lines that end are not affected; only the unterminated rest counts.
        f.Clear();
        f.Append(QString(40, QLatin1Char('y')) + QStringLiteral("\r+CLIP: \"1\"\r"));
        QCOMPARE(Lines(f).size(), 2);
        QCOMPARE(f.DropOverflow(), 0);
    }

    void decoderKeepsSequenceCutByChunk()
    {
        const QByteArray bytes = QStringLiteral("+CLIP: \"０９０\",129 電話\r\n").toUtf8();
        for (int cut = 1; cut < bytes.size(); ++cut) {
            Utf8ChunkDecoder d;
            QString got = d.Decode(bytes.left(cut));
            got += d.Decode(bytes.mid(cut));
            QCOMPARE(got, QString::fromUtf8(bytes));
            QVERIFY(!d.HasPending());
        }
        // Byte by byte, with a four-byte character.
        Utf8ChunkDecoder d;
        const QByteArray emoji = QByteArrayLiteral("a\xF0\x9F\x93\x9E" "b");
        QString got;
        for (char c : emoji)
            got += d.Decode(QByteArray(1, c));
        QCOMPARE(got, QString::fromUtf8(emoji));
    }

    void decoderReplacesInvalidBytesOnly()
    {
        Utf8ChunkDecoder d;
        QCOMPARE(d.Decode(QByteArrayLiteral("A\xFF" "B\xC0\xAF" "C\xE3\x81" "D\xED\xA0\x80" "E")),
                 QStringLiteral("A\uFFFDB\uFFFD\uFFFDC\uFFFDD\uFFFD\uFFFD\uFFFDE"));
        QCOMPARE(d.Decode(QByteArrayLiteral("+CLIP: \"0311112222\"\r")), QStringLiteral("+CLIP: \"0311112222\"\r"));
    }

    void waveDashBecomesFullwidthTilde()
    {
        Utf8ChunkDecoder d;
        QCOMPARE(d.Decode(QStringLiteral("9時\u301C5時").toUtf8()), QStringLiteral("9時\uFF5E5時"));
    }
};

QTEST_GUILESS_MAIN(TestLineFraming)
#include "tst_lineframing.moc"
