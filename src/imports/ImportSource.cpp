#include "imports/ImportSource.h"

#include "core/Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace ImportSource {

namespace {

bool validUtf8(const QByteArray& bytes, QString* text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = utf8(bytes);
    return !utf8.hasError();
}

// CP932 as the database reads it; false when a byte sequence is no CP932 character.
bool validCp932(const QByteArray& bytes, QString* text)
{
    QStringDecoder sjis("Shift_JIS");
    if (!sjis.isValid()) {
        *text = Cp932::decode(bytes);
        return !text->contains(QChar::ReplacementCharacter);
    }
    *text = sjis(bytes);
    return !sjis.hasError() && !text->contains(QChar::ReplacementCharacter);
}

QString decodeCharset(const QByteArray& bytes, const QString& charset)
{
    QString text;
    const QString cs = charset.toUpper();
    if (cs == QLatin1String("SHIFT_JIS") || cs == QLatin1String("SJIS") || cs == QLatin1String("CP932") ||
        cs == QLatin1String("WINDOWS-31J") || cs == QLatin1String("MS_KANJI"))
        return validCp932(bytes, &text) ? text : Cp932::decode(bytes);
    if (cs.isEmpty()) {
        if (validUtf8(bytes, &text))
            return text;
        return validCp932(bytes, &text) ? text : Cp932::decode(bytes);
    }
    validUtf8(bytes, &text);
    return text;
}

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

QByteArray quotedPrintable(const QString& value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('=') && i + 2 < value.size() + 0 && hexValue(value.at(i + 1)) >= 0 &&
            hexValue(value.at(i + 2)) >= 0) {
            out += char(hexValue(value.at(i + 1)) * 16 + hexValue(value.at(i + 2)));
            i += 2;
        } else if (c == QLatin1Char('=') && i + 1 == value.size()) {
            // a soft line break left at the very end
        } else {
            out += value.mid(i, 1).toUtf8();
        }
    }
    return out;
}

// Backslash escapes of 3.0 and 4.0 ("\n", "\,", "\;", "\\").
QString unescape(const QString& value)
{
    if (!value.contains(QLatin1Char('\\')))
        return value;
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value.at(++i);
            out += (n == QLatin1Char('n') || n == QLatin1Char('N')) ? QLatin1Char('\n') : n;
        } else {
            out += c;
        }
    }
    return out;
}

// Splits a structured value at unescaped semicolons.
QStringList components(const QString& value)
{
    QStringList parts;
    QString cur;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            cur += c;
            cur += value.at(++i);
        } else if (c == QLatin1Char(';')) {
            parts << unescape(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts << unescape(cur);
    return parts;
}

struct ContentLine
{
    QString name;
    QStringList types;
    QString charset;
    bool quotedPrintable = false;
    QString value;
};

ContentLine parseLine(const QString& raw)
{
    ContentLine l;
    // The name and its parameters end at the first colon outside a quoted parameter value.
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) == QLatin1Char('"'))
            quoted = !quoted;
        else if (raw.at(i) == QLatin1Char(':') && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon < 0)
        return l;
    l.value = raw.mid(colon + 1);
    const QStringList head = raw.left(colon).split(QLatin1Char(';'));
    QString name = head.value(0).trimmed().toUpper();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name = name.mid(dot + 1); // "item1.TEL"
    l.name = name;
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QString p = head.at(i).trimmed();
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? QStringLiteral("TYPE") : p.left(eq).trimmed().toUpper());
        QString val = eq < 0 ? p : p.mid(eq + 1).trimmed();
        val.remove(QLatin1Char('"'));
        if (key == QLatin1String("TYPE")) {
            for (const QString& t : val.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const QString up = t.trimmed().toUpper();
                if (up == QLatin1String("QUOTED-PRINTABLE"))
                    l.quotedPrintable = true;
                else
                    l.types << up;
            }
        } else if (key == QLatin1String("ENCODING")) {
            l.quotedPrintable = val.compare(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive) == 0;
        } else if (key == QLatin1String("CHARSET")) {
            l.charset = val;
        } else if (key == QLatin1String("PREF")) {
            l.types << QStringLiteral("PREF");
        }
    }
    if (l.quotedPrintable)
        l.value = decodeCharset(quotedPrintable(l.value), l.charset);
    return l;
}

void take(VCard& card, const ContentLine& l)
{
    const QString& n = l.name;
    if (n == QLatin1String("VERSION")) {
        card.version = l.value.trimmed();
    } else if (n == QLatin1String("FN")) {
        card.formattedName = unescape(l.value).trimmed();
    } else if (n == QLatin1String("N")) {
        const QStringList c = components(l.value);
        card.family = c.value(0).trimmed();
        card.given = c.value(1).trimmed();
    } else if (n == QLatin1String("X-PHONETIC-LAST-NAME")) {
        card.phoneticFamily = unescape(l.value).trimmed();
    } else if (n == QLatin1String("X-PHONETIC-FIRST-NAME")) {
        card.phoneticGiven = unescape(l.value).trimmed();
    } else if (n == QLatin1String("SORT-STRING")) {
        card.sortString = unescape(l.value).trimmed();
    } else if (n == QLatin1String("TEL")) {
        QString number = l.value.trimmed();
        if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
            number = number.mid(4);
        if (!number.isEmpty())
            card.tels << VTel{number, l.types};
    } else if (n == QLatin1String("EMAIL")) {
        const QString e = unescape(l.value).trimmed();
        if (!e.isEmpty())
            card.emails << e;
    } else if (n == QLatin1String("ADR")) {
        if (!card.address.isEmpty() || !card.postalCode.isEmpty())
            return; // the first address only
        // post office box; extended; street; locality; region; postal code; country
        const QStringList c = components(l.value);
        card.postalCode = c.value(5).trimmed();
        // Japanese order: region, locality, street, extended.
        QString a = c.value(4).trimmed() + c.value(3).trimmed() + c.value(2).trimmed();
        if (!c.value(1).trimmed().isEmpty())
            a += QLatin1Char(' ') + c.value(1).trimmed();
        card.address = a.trimmed();
    } else if (n == QLatin1String("ORG")) {
        card.org = components(l.value).join(QLatin1Char(' ')).trimmed();
    } else if (n == QLatin1String("NOTE")) {
        card.note = unescape(l.value);
    } else if (n == QLatin1String("BDAY")) {
        card.birthday = l.value.trimmed();
    } else if (n == QLatin1String("URL")) {
        if (card.url.isEmpty())
            card.url = unescape(l.value).trimmed();
    }
}

} // namespace

Decoded Decode(const QByteArray& bytes)
{
    Decoded d;
    if (bytes.contains('\0')) {
        d.problem = QStringLiteral("文字のファイルではありません（NUL バイトを含みます）。");
        return d;
    }
    // A contacts file may hold cards written by different phones: 2.1 cards with
    // CHARSET=SHIFT_JIS beside UTF-8 ones. Each line is read in the encoding it is valid in.
    if (bytes.left(64).trimmed().toUpper().startsWith("BEGIN:VCARD") ||
        bytes.left(64).mid(3).trimmed().toUpper().startsWith("BEGIN:VCARD")) {
        const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
        bool sjis = false;
        for (const QByteArray& line : body.split('\n')) {
            QString text;
            if (!validUtf8(line, &text)) {
                sjis = true;
                if (!validCp932(line, &text)) {
                    d.problem = QStringLiteral("文字コードを判別できない行があります。");
                    return d;
                }
            }
            if (!d.text.isEmpty() || !line.isEmpty())
                d.text += text + QLatin1Char('\n');
        }
        d.encoding = sjis ? QStringLiteral("UTF-8 / Shift-JIS") : QStringLiteral("UTF-8");
        return d;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        if (!validUtf8(bytes.mid(3), &d.text))
            d.problem = QStringLiteral("UTF-8 として読めない文字を含みます。");
        d.encoding = QStringLiteral("UTF-8 (BOM)");
        return d;
    }
    if (validUtf8(bytes, &d.text)) {
        d.encoding = QStringLiteral("UTF-8");
        return d;
    }
    d.encoding = QStringLiteral("Shift-JIS");
    // Lines of UTF-8 among lines that are not: two files pasted together. Japanese text in
    // Shift-JIS is hardly ever valid UTF-8 by chance, so such a line was written as UTF-8.
    bool utf8Line = false, otherLine = false;
    for (const QByteArray& line : bytes.split('\n')) {
        bool ascii = true;
        for (char c : line)
            if (uchar(c) >= 0x80) {
                ascii = false;
                break;
            }
        if (ascii)
            continue;
        QString ignored;
        (validUtf8(line, &ignored) ? utf8Line : otherLine) = true;
    }
    if ((utf8Line && otherLine) || !validCp932(bytes, &d.text))
        d.problem = QStringLiteral("文字コードを判別できません（UTF-8 でも Shift-JIS でもない、または両方が混在しています）。");
    return d;
}

Decoded ReadFile(const QString& path)
{
    Decoded d;
    const QFileInfo info(path);
    if (!info.isFile()) {
        d.problem = QStringLiteral("ファイルがありません: ") + path;
        return d;
    }
    if (info.size() > kMaxFileBytes) {
        d.problem = QStringLiteral("ファイルが大きすぎます（%1 MB 以下にしてください）。").arg(kMaxFileBytes / (1024 * 1024));
        return d;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        d.problem = QStringLiteral("ファイルを読めません: ") + f.errorString();
        return d;
    }
    // A file that is not text shows it early; no need to read all of it.
    if (f.peek(64 * 1024).contains('\0'))
        return Decode(QByteArray(1, '\0'));
    return Decode(f.readAll());
}

CsvTable ParseCsv(const QString& text)
{
    CsvTable t;
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;

    // The separator: whichever of tab and comma the header line holds more of outside quotes.
    {
        int tabs = 0, commas = 0;
        bool q = false;
        for (qsizetype k = 0; k < n; ++k) {
            const QChar c = p[k];
            if (c == QLatin1Char('"'))
                q = !q;
            else if (!q && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
                break;
            else if (!q && c == QLatin1Char('\t'))
                ++tabs;
            else if (!q && c == QLatin1Char(','))
                ++commas;
        }
        t.separator = tabs > commas ? QLatin1Char('\t') : QLatin1Char(',');
    }
    const QChar sep = t.separator;

    bool first = true;
    while (i < n) {
        // Empty lines between records are no records.
        if (p[i] == QLatin1Char('\r') || p[i] == QLatin1Char('\n')) {
            if (p[i] == QLatin1Char('\r') && i + 1 < n && p[i + 1] == QLatin1Char('\n'))
                ++i;
            ++i;
            ++line;
            continue;
        }
        CsvRecord r;
        r.line = line;
        QString field;
        bool quoted = false, wasQuoted = false;
        bool done = false;
        while (!done) {
            if (i >= n) {
                if (quoted)
                    r.problem = QStringLiteral("引用符（\"）が閉じていません");
                r.fields << field;
                break;
            }
            const QChar c = p[i];
            if (quoted) {
                if (c == QLatin1Char('"')) {
                    if (i + 1 < n && p[i + 1] == QLatin1Char('"')) {
                        field += c;
                        i += 2;
                    } else {
                        quoted = false;
                        ++i;
                    }
                    continue;
                }
                if (c == QLatin1Char('\n'))
                    ++line;
                else if (c == QLatin1Char('\r') && !(i + 1 < n && p[i + 1] == QLatin1Char('\n')))
                    ++line;
                field += c;
                ++i;
                continue;
            }
            if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
                quoted = wasQuoted = true;
                ++i;
            } else if (c == sep) {
                r.fields << field;
                field.clear();
                wasQuoted = false;
                ++i;
            } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                if (c == QLatin1Char('\r') && i + 1 < n && p[i + 1] == QLatin1Char('\n'))
                    ++i;
                ++i;
                ++line;
                r.fields << field;
                done = true;
            } else {
                field += c;
                ++i;
            }
        }
        if (first) {
            first = false;
            t.header = r.fields;
            t.headerLine = r.line;
            if (!r.problem.isEmpty()) {
                t.problem = QStringLiteral("見出し行の") + r.problem + QStringLiteral("。");
                return t;
            }
            if (t.header.size() > kMaxColumns) {
                t.problem = QStringLiteral("列が多すぎます（%1 列、%2 列まで）。").arg(t.header.size()).arg(kMaxColumns);
                return t;
            }
            continue;
        }
        t.records << r;
        if (!r.problem.isEmpty())
            break; // everything after the open quote belongs to it
    }
    if (first)
        t.problem = QStringLiteral("ファイルが空です。");
    return t;
}

bool LooksLikeVCard(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return QStringView(text).mid(i, 11).compare(QLatin1String("BEGIN:VCARD"), Qt::CaseInsensitive) == 0;
}

QList<VCard> ParseVCards(const QString& text)
{
    // Physical lines with their numbers.
    QStringList lines = text.split(QLatin1Char('\n'));
    QList<VCard> cards;
    VCard* card = nullptr;
    int count = 0;
    auto close = [&](const QString& problem) {
        if (card && !problem.isEmpty())
            card->problem = problem;
        card = nullptr;
    };
    for (qsizetype k = 0; k < lines.size(); ++k) {
        QString raw = lines.at(k);
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        const int lineNo = int(k) + 1;
        if (raw.trimmed().isEmpty())
            continue;
        // Folding: a following line that begins with a blank continues this one.
        const bool qp = raw.contains(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive);
        while (k + 1 < lines.size()) {
            QString next = lines.at(k + 1);
            if (next.endsWith(QLatin1Char('\r')))
                next.chop(1);
            if (!next.isEmpty() && (next.at(0) == QLatin1Char(' ') || next.at(0) == QLatin1Char('\t'))) {
                raw += next.mid(1);
                ++k;
            } else if (qp && raw.endsWith(QLatin1Char('='))) {
                // a soft line break of QUOTED-PRINTABLE
                raw.chop(1);
                raw += next;
                ++k;
            } else {
                break;
            }
        }
        const ContentLine l = parseLine(raw);
        if (l.name == QLatin1String("BEGIN") && l.value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            close(QStringLiteral("END:VCARD がありません"));
            cards.append(VCard());
            card = &cards.last();
            card->number = ++count;
            card->line = lineNo;
            continue;
        }
        if (!card)
            continue;
        if (l.name == QLatin1String("END")) {
            close(QString());
            continue;
        }
        take(*card, l);
    }
    close(QStringLiteral("END:VCARD がありません"));
    return cards;
}

} // namespace ImportSource
