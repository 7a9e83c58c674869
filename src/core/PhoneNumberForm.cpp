#include "core/PhoneNumberForm.h"

#include "core/Helpers.h"
#include "core/StartupSettings.h"

namespace {

// Characters people and phones put between the digits.
bool isSeparator(char16_t u)
{
    switch (u) {
    case u' ':
    case u'\t':
    case 0x00A0: // no-break space
    case 0x3000: // ideographic space
    case u'-':
    case 0x2010: // hyphen
    case 0x2011: // non-breaking hyphen
    case 0x2012: // figure dash
    case 0x2013: // en dash
    case 0x2014: // em dash
    case 0x2015: // horizontal bar
    case 0x2212: // minus sign
    case 0x30FC: // prolonged sound mark, often typed for a hyphen
    case 0xFF70: // its half-width form
    case 0xFE63: // small hyphen-minus
    case 0xFF0D: // full-width hyphen-minus
    case u'.':
    case 0xFF0E: // full-width full stop
    case u'(':
    case u')':
    case 0xFF08: // full-width parentheses
    case 0xFF09:
        return true;
    default:
        return false;
    }
}

bool allDigits(const QString& s)
{
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return !s.isEmpty();
}

} // namespace

QString PhoneNumberForm::National(const QString& number, const QString& countryCode)
{
    QString out;
    out.reserve(number.size());
    for (const QChar c : number) {
        char16_t u = c.unicode();
        if (isSeparator(u))
            continue;
        if ((u >= 0xFF10 && u <= 0xFF19) || u == 0xFF0B || u == 0xFF03 || u == 0xFF0A) // full-width 0-9 + # *
            u = char16_t(u - 0xFF01 + 0x21);
        const bool digit = u >= u'0' && u <= u'9';
        const bool sign = u == u'*' || u == u'#' || (u == u'+' && out.isEmpty());
        if (!digit && !sign)
            return number;
        out += QChar(u);
    }
    if (out.isEmpty())
        return number;

    QString cc = countryCode.trimmed();
    if (cc.startsWith(QLatin1Char('+')))
        cc.remove(0, 1);
    if (!allDigits(cc))
        return out;
    QString rest;
    if (out.startsWith(QLatin1Char('+') + cc))
        rest = out.mid(cc.size() + 1);
    else if (out.startsWith(QLatin1String("00") + cc))
        rest = out.mid(cc.size() + 2);
    else
        return out;
    if (!allDigits(rest))
        return out;
    // "+81 (0)3…": the trunk 0 written in brackets is there already.
    return rest.startsWith(QLatin1Char('0')) ? rest : QLatin1Char('0') + rest;
}

QString PhoneNumberForm::Apply(const QString& number)
{
    return GNumberForm ? National(number, GCountryCode) : number;
}

QString PhoneNumberForm::Typed(const QString& number)
{
    return Apply(RemoveHyphens(number));
}
