#include "devices/DeviceSettings.h"

#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/ProfileFile.h"
#include "devices/TTelCom.h"
#include "devices/TTelComList.h"

#include <QRegularExpression>

const QString DeviceSettings::Section = QStringLiteral("ADAPTA");

namespace {
QString Key(const char* name, int n)
{
    return QLatin1String(name) + QString::number(n);
}
} // namespace

QList<TDeviceSetting> DeviceSettings::Load(const ProfileFile& ini)
{
    QList<TDeviceSetting> result;
    int count = ini.ReadInteger(Section, QStringLiteral("COUNT"), 0);
    // A count far beyond the entries written (a file edited by hand) would mean millions of
    // empty devices: the highest entry number present bounds it.
    static const QRegularExpression entryKey(QStringLiteral("^(PORT_NO|DISP_NAME|READ_NAME|DEVICE_INDEX)_(\\d{1,9})$"),
                                             QRegularExpression::CaseInsensitiveOption);
    int highest = 0;
    for (const QString& key : ini.Keys(Section)) {
        const QRegularExpressionMatch m = entryKey.match(key);
        if (m.hasMatch())
            highest = qMax(highest, m.captured(2).toInt());
    }
    if (count > highest) {
        WriteLog(QStringLiteral("DeviceSettings.Load: [ADAPTA] COUNT=") + QString::number(count) +
                 QStringLiteral(" but entries only up to ") + QString::number(highest) + QStringLiteral("; ") +
                 QString::number(count - highest) + QStringLiteral(" without entries ignored"));
        count = highest;
    }
    for (int n = 1; n <= count; ++n) {
        TDeviceSetting s;
        s.PortNo = ini.ReadInteger(Section, Key("PORT_NO_", n), -1);
        s.DispName = ini.ReadString(Section, Key("DISP_NAME_", n), QString());
        s.ReadName = ini.ReadString(Section, Key("READ_NAME_", n), QString());
        s.DeviceIndex = ini.ReadInteger(Section, Key("DEVICE_INDEX_", n), -1);
        result.append(s);
    }
    return result;
}

QList<TDeviceSetting> DeviceSettings::Load()
{
    return gIni ? Load(*gIni) : QList<TDeviceSetting>();
}

bool DeviceSettings::Save(TTelComList& list, ProfileFile& ini)
{
    list.SortByPortNo();
    bool ok = ini.WriteInteger(Section, QStringLiteral("COUNT"), list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        const TDeviceSetting s = FromDevice(*list.Items(i));
        const int n = i + 1;
        ok = ini.WriteInteger(Section, Key("PORT_NO_", n), s.PortNo) && ok;
        ok = ini.WriteString(Section, Key("DISP_NAME_", n), s.DispName) && ok;
        ok = ini.WriteString(Section, Key("READ_NAME_", n), s.ReadName) && ok;
        ok = ini.WriteInteger(Section, Key("DEVICE_INDEX_", n), s.DeviceIndex) && ok;
    }
    if (!ok)
        WriteLog(QStringLiteral("DeviceSettings.Save: cannot write ") + ini.path());
    return ok;
}

bool DeviceSettings::Save(TTelComList& list)
{
    if (!gIni) {
        list.SortByPortNo();
        return false;
    }
    return Save(list, *gIni);
}

TDeviceSetting DeviceSettings::FromDevice(const TTelCom& device)
{
    TDeviceSetting s;
    s.PortNo = device.PortNo();
    s.DispName = device.DispName();
    s.ReadName = device.ReadName();
    s.DeviceIndex = device.Tag();
    return s;
}

void DeviceSettings::Apply(TTelCom& device, const TDeviceSetting& setting)
{
    device.SetPortNo(setting.PortNo);
    device.SetDispName(setting.DispName);
    device.SetReadName(setting.ReadName);
    device.SetTag(setting.DeviceIndex);
}

void DeviceSettings::Connect(TTelCom& device, int portNo)
{
    device.Connect(portNo, DeviceIndexToDeviceType(device.Tag()), false, ConnectingCheckInterval, gLogDir, true);
}
