#include "db/UnknownCaller.h"

#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "db/ColumnWidths.h"
#include "db/StorableText.h"

namespace {
QString storedForm(const QString& setting, const QString& column, const char* key, QString& reported)
{
    const int width = ColumnWidths::Width(QStringLiteral("TELS"), column);
    const QString stored = width > 0 ? StorableFallback(setting, width) : setting;
    if (stored != setting && reported != setting) {
        reported = setting;
        WriteLog(QStringLiteral("[CALLER] ") + QLatin1String(key) + QStringLiteral(" does not fit TELS.") + column +
                 QStringLiteral(" (") + QString::number(width) + QStringLiteral(" bytes); stored as \"") + stored +
                 QStringLiteral("\""));
    }
    return stored;
}
} // namespace

QString StoredUnknownName()
{
    static QString reported;
    return storedForm(GUnknownName, QStringLiteral("CALLER"), "UNKNOWN_NAME", reported);
}

QString StoredUnknownKana()
{
    static QString reported;
    return storedForm(GUnknownKana, QStringLiteral("READ_NAME"), "UNKNOWN_KANA", reported);
}
