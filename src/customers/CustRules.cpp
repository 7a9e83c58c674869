#include "customers/CustRules.h"

#include "core/Helpers.h"
#include "core/PhoneNumberForm.h"

namespace CustRules {

QString TabCaption(const QString& number, bool browse)
{
    const QString base = number.isEmpty() ? QStringLiteral(" 新 規") : RemoveHyphens(number);
    return (base + QString(15, QLatin1Char(' '))).left(15) + (browse ? QStringLiteral("B") : QStringLiteral("E"));
}

CheckResult Check(const Input& in)
{
    if (in.Tel.isEmpty())
        return CheckResult::NoTel;
    if (in.Name.isEmpty())
        return CheckResult::NoName;
    return CheckResult::Ok;
}

QString CheckMessage(CheckResult r)
{
    switch (r) {
    case CheckResult::NoTel:
        return QStringLiteral("代表電話番号を入力してください。");
    case CheckResult::NoName:
        return QStringLiteral("顧客名を入力してください。");
    case CheckResult::Ok:
        break;
    }
    return QString();
}

TCust ToCust(const Input& in)
{
    TCust c;
    c.CustNo = in.CustNo;
    c.CustTel = in.Tel;
    c.CustTelNon = PhoneNumberForm::Typed(in.Tel);
    c.FaxNo = in.Fax;
    c.FaxNoNon = RemoveHyphens(in.Fax);
    c.CustName = in.Name;
    c.CustKana = in.Kana;
    c.ZipCd = in.Zip;
    c.Address = in.Address;
    c.Email = in.Email;
    c.HpUrl = in.HpUrl;
    c.MapUrl = in.MapUrl;
    c.UserId = in.UserId;
    c.Others = in.Others;
    c.BirthDt = in.Birth;
    c.Sex = qint16(in.Sex);
    c.Option = in.Option;
    c.OptionUnused = in.OptionUnused;
    return c;
}

OptionCell OptionOnLoad(const QString& kind, const QString& stored, const QStringList& ids, const QStringList& names)
{
    if (kind != QLatin1String("m"))
        return {stored, QString()};
    const int i = ids.indexOf(stored);
    if (i > 0 && i < names.size())
        return {names.at(i), stored};
    return {};
}

QString OptionToStore(const QString& kind, const QString& shown, const QString& id)
{
    return kind == QLatin1String("m") ? id : shown;
}

std::optional<QDateTime> ParseOptionValue(const QString& kind, const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    QDateTime dt;
    if (kind == QLatin1String("t")) {
        const QTime time = QTime::fromString(t, QStringLiteral("H:mm"));
        if (time.isValid())
            dt = QDateTime(QDate::currentDate(), time);
    } else {
        for (const char* f : {"yyyy/MM/dd H:mm", "yyyy/MM/dd H:mm:ss", "yyyy/M/d H:mm"}) {
            dt = QDateTime::fromString(t, QLatin1String(f));
            if (dt.isValid())
                break;
        }
        if (!dt.isValid()) {
            QDate d = QDate::fromString(t, QStringLiteral("yyyy/MM/dd"));
            if (!d.isValid())
                d = QDate::fromString(t, QStringLiteral("yyyy/M/d"));
            if (d.isValid())
                dt = QDateTime(d, QTime(0, 0));
        }
    }
    if (!dt.isValid())
        return std::nullopt;
    return dt;
}

QString FormatOptionValue(const QString& kind, const QDateTime& value, bool checked)
{
    if (!checked)
        return QString();
    if (kind == QLatin1String("d"))
        return value.toString(QStringLiteral("yyyy/MM/dd"));
    if (kind == QLatin1String("t"))
        return value.toString(QStringLiteral("HH:mm"));
    if (kind == QLatin1String("e"))
        return value.toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    return QString();
}

QString FormEncode(const QString& text)
{
    static const QByteArray kept("!$'()*-._@");
    QString out;
    for (char ch : text.toUtf8()) {
        const uchar b = uchar(ch);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || kept.contains(char(b)))
            out += QLatin1Char(char(b));
        else if (b == ' ')
            out += QLatin1Char('+');
        else
            out += QStringLiteral("%%1").arg(uint(b), 2, 16, QLatin1Char('0'));
    }
    return out;
}

QString MapSearchUrl(const QString& address)
{
    return QStringLiteral("https://www.google.co.jp/maps?hl=ja&source=hp&q=") + FormEncode(address) +
           QStringLiteral("&lr=&um=1&ie=UTF-8&sa=N&tab=wl");
}

QString MailUrl(const QString& email)
{
    return QStringLiteral("mailto:") + email;
}

QImage ScaleForStore(const QImage& picture)
{
    if (picture.isNull() || qMax(picture.width(), picture.height()) <= kMaxPictureSide)
        return picture;
    return picture.scaled(kMaxPictureSide, kMaxPictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

int Age(const QDate& birth, const QDate& today)
{
    return birth.isValid() ? YearsBetween(birth, today) : -1;
}

QString KanaCaption(int kanaType)
{
    switch (kanaType) {
    case 1:
        return QStringLiteral("顧客かな");
    case 2:
        return QStringLiteral("顧客ｶﾅ");
    default:
        return QStringLiteral("顧客カナ");
    }
}

} // namespace CustRules
