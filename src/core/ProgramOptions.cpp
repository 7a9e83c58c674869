#include "core/ProgramOptions.h"

namespace ProgramOptions {

Info Parse(const QStringList& args)
{
    if (args.size() != 1)
        return Info::None;
    const QString& a = args.first();
    if (a == QLatin1String("--help") || a == QLatin1String("-h"))
        return Info::Help;
    if (a == QLatin1String("--version") || a == QLatin1String("-v"))
        return Info::Version;
    return Info::None;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: zuvaro3 [/s TEXT | USERID PASSWORD | --help | --version]\n"
        "Zuvaro3: caller identification for the shop telephone.\n"
        "\n"
        "  (no arguments)    Start the program. Only one copy runs per user and executable name.\n"
        "  /s TEXT           When the program runs already, hand TEXT to it and end: a zuvaro: address\n"
        "                    (zuvaro:0312345678) places a call, any other text is taken as a caller's\n"
        "                    number. Without a running copy the two arguments are a login.\n"
        "  USERID PASSWORD   With user login switched on: log this user in without the login dialog.\n"
        "  -h, --help        Show this help and end.\n"
        "  -v, --version     Show the version and end.\n"
        "\n"
        "Files (the data root is $ZUVARO_DATA_ROOT, by default /var/lib):\n"
        "  <data root>/ordova/zuvaro3/zuvaro3.ini       the settings file\n"
        "  <data root>/ordova/zuvaro3/log/              the diagnostic logs\n"
        "  <data root>/ordova/common/ZUVARODB.FDB       the database when the settings name none;\n"
        "                                               created on the first start when missing\n"
        "\n"
        "The manual page is zuvaro3(1); the help pages open from the main window's button \"ヘルプ\".\n");
}

QString VersionText()
{
#ifdef ZUVARO_VERSION
    return QStringLiteral("zuvaro3 " ZUVARO_VERSION "\n");
#else
    return QStringLiteral("zuvaro3\n");
#endif
}

} // namespace ProgramOptions
