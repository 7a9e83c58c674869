#include "core/NumberDisplay.h"

#include "core/StartupSettings.h"

#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>

#include <QHash>
#include <QMutex>

#include <memory>
#include <string>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberOfflineGeocoder;
using i18n::phonenumbers::PhoneNumberUtil;

namespace {

// Calls and grids show the same few hundred numbers again and again: each is parsed once.
// Bounded so a log of years of distinct numbers cannot grow it without end.
constexpr int kCacheLimit = 20000;

struct Parsed
{
    bool Ok = false;
    PhoneNumber Number;
};

class Plan
{
public:
    static Plan& instance()
    {
        static Plan plan;
        return plan;
    }

    NumberFacts facts(const QString& national, bool withArea)
    {
        QMutexLocker lock(&FMutex);
        if (FCountry != GCountryCode) {
            FCountry = GCountryCode;
            FRegion = regionOf(FCountry);
            FGrouped.clear();
        }
        NumberFacts f;
        if (national.trimmed().isEmpty()) {
            f.Kind = NumberKind::Withheld;
            f.Grouped = national;
            return f;
        }
        const Parsed p = parse(national);
        f.Grouped = p.Ok ? format(p, national) : national;
        // The national form keeps "+" only for another country's numbers ("+81" alone is junk).
        const bool foreignPlus = national.startsWith(QLatin1Char('+')) &&
                                 !national.startsWith(QLatin1Char('+') + QString(FCountry).remove(QLatin1Char('+')));
        f.Kind = p.Ok ? kindOf(p) : (foreignPlus ? NumberKind::International : NumberKind::Unknown);
        if (withArea && f.Kind == NumberKind::FixedLine)
            f.Area = areaOf(p.Number);
        return f;
    }

    QString grouped(const QString& national)
    {
        {
            QMutexLocker lock(&FMutex);
            const auto it = FGrouped.constFind(national);
            if (it != FGrouped.constEnd() && FCountry == GCountryCode)
                return *it;
        }
        const QString g = facts(national, false).Grouped;
        QMutexLocker lock(&FMutex);
        if (FGrouped.size() >= kCacheLimit)
            FGrouped.clear();
        FGrouped.insert(national, g);
        return g;
    }

private:
    Plan() : FUtil(*PhoneNumberUtil::GetInstance()) {}

    std::string regionOf(const QString& country) const
    {
        bool ok = false;
        const int cc = QString(country).remove(QLatin1Char('+')).toInt(&ok);
        std::string region;
        if (ok)
            FUtil.GetRegionCodeForCountryCode(cc, &region);
        // Without a usable country code, numbers are read as Japanese ones.
        return region.empty() || region == "ZZ" ? std::string("JP") : region;
    }

    // Only what the national form can hold is handed over: digits with a leading "+"
    // (service codes with "*" or "#" and text are no numbers of the plan).
    Parsed parse(const QString& national) const
    {
        Parsed p;
        for (int i = 0; i < national.size(); ++i) {
            const QChar c = national.at(i);
            if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && c == QLatin1Char('+')))
                return p;
        }
        p.Ok = FUtil.Parse(national.toStdString(), FRegion, &p.Number) == PhoneNumberUtil::NO_PARSING_ERROR &&
               FUtil.IsValidNumber(p.Number);
        return p;
    }

    bool home(const PhoneNumber& n) const
    {
        std::string region;
        FUtil.GetRegionCodeForNumber(n, &region);
        return region == FRegion;
    }

    QString format(const Parsed& p, const QString& national) const
    {
        std::string out;
        FUtil.Format(p.Number, home(p.Number) ? PhoneNumberUtil::NATIONAL : PhoneNumberUtil::INTERNATIONAL, &out);
        const QString g = QString::fromStdString(out);
        // The grouping must never change the digits themselves (a national form whose trunk
        // prefix the plan does not know, say): then the number stays as stored.
        if (home(p.Number) && digitsOf(g) != digitsOf(national))
            return national;
        return g;
    }

    static QString digitsOf(const QString& s)
    {
        QString d;
        for (const QChar c : s)
            if (c.isDigit())
                d += c;
        return d;
    }

    NumberKind kindOf(const Parsed& p) const
    {
        if (!home(p.Number))
            return NumberKind::International;
        switch (FUtil.GetNumberType(p.Number)) {
        case PhoneNumberUtil::FIXED_LINE:
            return NumberKind::FixedLine;
        case PhoneNumberUtil::MOBILE:
        case PhoneNumberUtil::FIXED_LINE_OR_MOBILE:
        case PhoneNumberUtil::PAGER:
        case PhoneNumberUtil::PERSONAL_NUMBER:
            return NumberKind::Mobile;
        case PhoneNumberUtil::VOIP:
            return NumberKind::IpPhone;
        case PhoneNumberUtil::TOLL_FREE:
            return NumberKind::FreeDial;
        case PhoneNumberUtil::UAN:
        case PhoneNumberUtil::SHARED_COST:
            return NumberKind::NaviDial;
        default:
            return NumberKind::Unknown;
        }
    }

    // The geocoding data takes a moment and some memory to load: only once a landline of an
    // unknown caller asks for it.
    QString areaOf(const PhoneNumber& n)
    {
        if (!FGeocoder)
            FGeocoder = std::make_unique<PhoneNumberOfflineGeocoder>();
        // With the caller's own region as the user's, a number the data knows no area of gives
        // nothing rather than the country's name.
        return QString::fromStdString(FGeocoder->GetDescriptionForNumber(n, icu::Locale("ja", "JP"), FRegion));
    }

    const PhoneNumberUtil& FUtil;
    QMutex FMutex;
    QString FCountry;
    std::string FRegion = "JP";
    QHash<QString, QString> FGrouped;
    std::unique_ptr<PhoneNumberOfflineGeocoder> FGeocoder;
};

} // namespace

QString NumberDisplay::Show(const QString& national)
{
    return GNumberDisplay ? Grouped(national) : national;
}

QString NumberDisplay::Grouped(const QString& national)
{
    if (national.size() < 3)
        return national;
    return Plan::instance().grouped(national);
}

NumberFacts NumberDisplay::Facts(const QString& national)
{
    return Plan::instance().facts(national, true);
}

QString NumberDisplay::KindText(NumberKind kind)
{
    switch (kind) {
    case NumberKind::Withheld:
        return QStringLiteral("非通知");
    case NumberKind::Mobile:
        return QStringLiteral("携帯");
    case NumberKind::FixedLine:
        return QStringLiteral("固定");
    case NumberKind::IpPhone:
        return QStringLiteral("IP電話");
    case NumberKind::FreeDial:
        return QStringLiteral("フリーダイヤル");
    case NumberKind::NaviDial:
        return QStringLiteral("ナビダイヤル");
    case NumberKind::International:
        return QStringLiteral("国際");
    case NumberKind::Unknown:
        break;
    }
    return QStringLiteral("不明な番号");
}

bool NumberDisplay::IsInternational(const QString& national)
{
    // Cheap test first: every call asks.
    if (national.isEmpty() || (!national.startsWith(QLatin1Char('+')) && !national.startsWith(QLatin1String("010"))))
        return false;
    return Facts(national).Kind == NumberKind::International;
}
