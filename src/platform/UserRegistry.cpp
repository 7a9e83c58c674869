#include "platform/UserRegistry.h"

#include <QSettings>

namespace {
const QString kGroup = QStringLiteral("Initialize/");
}

UserRegistry::UserRegistry()
    : FSettings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ordova"),
                                            QStringLiteral("zuvaro3")))
{
}

UserRegistry::~UserRegistry() = default;

bool UserRegistry::IsUsable() const
{
    return FSettings->status() == QSettings::NoError && FSettings->isWritable();
}

int UserRegistry::ReadInteger(const QString& name, int def) const
{
    bool ok = false;
    const int v = FSettings->value(kGroup + name).toString().trimmed().toInt(&ok);
    return ok ? v : def;
}

QString UserRegistry::ReadString(const QString& name, const QString& def) const
{
    const QVariant v = FSettings->value(kGroup + name);
    return v.isValid() ? v.toString() : def;
}

bool UserRegistry::ReadFlag(const QString& name, bool def) const
{
    const QVariant v = FSettings->value(kGroup + name);
    return v.isValid() ? v.toString() == QLatin1String("1") : def;
}

void UserRegistry::WriteInteger(const QString& name, int value)
{
    FSettings->setValue(kGroup + name, QString::number(value));
}

void UserRegistry::WriteString(const QString& name, const QString& value)
{
    FSettings->setValue(kGroup + name, value);
}

void UserRegistry::WriteFlag(const QString& name, bool value)
{
    FSettings->setValue(kGroup + name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void UserRegistry::Sync()
{
    FSettings->sync();
}
