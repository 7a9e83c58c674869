#include "calls/CallWarning.h"

#include "calls/CallPipeline.h"
#include "core/StartupSettings.h"

CallWarning CallWarning::Of(const TCallResult& call, bool unknownCaller)
{
    CallWarning w;
    w.Caution = call.Caution;
    w.CautionNote = call.CautionNote;
    w.Withheld = call.TelNo.trimmed().isEmpty();
    w.International = NumberDisplay::IsInternational(call.TelNo);
    if (unknownCaller && !w.Withheld) {
        const NumberFacts f = NumberDisplay::Facts(call.TelNo);
        w.Info = (GNumberDisplay ? f.Grouped : call.TelNo) + QStringLiteral("　") + NumberDisplay::KindText(f.Kind);
        if (!f.Area.isEmpty())
            w.Info += QStringLiteral("・") + f.Area;
    }
    return w;
}

QString CallWarning::SpokenPrefix() const
{
    return Caution || (International && GWarnInternational) ? GCautionText : QString();
}

QString CallWarning::PanelText() const
{
    QStringList parts;
    if (Caution)
        parts << (CautionNote.isEmpty() ? QStringLiteral("要注意") : QStringLiteral("要注意　") + CautionNote);
    if (International && GWarnInternational)
        parts << QStringLiteral("国際電話");
    if (!Info.isEmpty())
        parts << Info;
    return parts.join(QStringLiteral("　"));
}

QString CallWarning::PanelColour() const
{
    if (Caution)
        return QStringLiteral("#ff6b6b");
    if (International && GWarnInternational)
        return QStringLiteral("#ffe45c");
    return QString();
}

bool CallWarning::LaunchExternal() const
{
    return !Caution || GCautionLaunch;
}

bool CallWarning::OpenCustomerTab() const
{
    return !Caution || GCautionCustTab;
}
