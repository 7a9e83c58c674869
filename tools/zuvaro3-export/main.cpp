// zuvaro3-export: the export of the "データ出力" dialog without a window, for scheduled runs.

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/SharedData.h"
#include "core/StartupSettings.h"
#include "db/DatabaseError.h"
#include "db/FbEngine.h"
#include "db/StructureConversion.h"
#include "db/TdmCmn.h"
#include "logs/DataExporter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
// The Firebird client keeps a few allocations for the life of the process; in a sanitizer
// build they must not turn a good run into a failed exit.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {

// The dialog's messages go to stderr; nobody is there to answer, so the existing-file
// question is not asked (the file named with --out is replaced).
class StderrPresenter : public MessagePresenter
{
public:
    MsgResult present(MsgKind, const QString&, const QString& text, MsgButtons buttons) override
    {
        std::fprintf(stderr, "zuvaro3-export: %s\n", qPrintable(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgResult::Yes : MsgResult::Ok;
    }
};

bool isLocalPath(const QString& path)
{
    return path.startsWith(QLatin1Char('/')) || !path.contains(QLatin1Char(':'));
}

void inUse(const QString& path)
{
    std::fprintf(stderr,
                 "zuvaro3-export: the database %s is held by another program (normally the running Zuvaro3).\n"
                 "The embedded database engine lets one program at a time open a database file: stop the program\n"
                 "before the export, or serve the database from a Firebird server (DB_PATH=host:/path in the\n"
                 "settings file) so that both can use it.\n",
                 qPrintable(path));
}

QDate parseDate(const QString& text, bool* ok)
{
    const QDate d = QDate::fromString(text, QStringLiteral("yyyy/MM/dd"));
    *ok = d.isValid();
    return d;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuvaro3-export"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZUVARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the same file as the program's export dialog (\"データ出力\"), for scheduled runs.\n"
        "The format follows the extension of --out: .xls the legacy workbook, .xlsx the Office Open XML\n"
        "workbook, anything else comma-separated Shift-JIS text with CR LF line ends. An existing file is\n"
        "replaced only once the new one is complete. The database is the one named in the settings file\n"
        "below ZUVARO_DATA_ROOT (as for the program). Exit status 0 only when the file was written.\n"
        "\n"
        "Example (crontab: every night at 2:30, yesterday's calls):\n"
        "  30 2 * * * ZUVARO_DATA_ROOT=/var/lib zuvaro3-export --kind calls --from $(date -d yesterday +\\%Y/\\%m/\\%d)\n"
        "             --to $(date -d yesterday +\\%Y/\\%m/\\%d) --out /srv/export/calls-$(date +\\%Y\\%m\\%d).csv"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption kind(QStringLiteral("kind"), QStringLiteral("calls, responses, customers or phonebook."),
                                  QStringLiteral("kind"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("First day (yyyy/mm/dd) of calls or responses; default today."),
                                  QStringLiteral("date"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("Last day (yyyy/mm/dd) of calls or responses; default the first day."),
                                QStringLiteral("date"));
    const QCommandLineOption keep(QStringLiteral("keep-line-breaks"),
                                  QStringLiteral("Keep the line breaks of the memo column in the text format."));
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("The file to write."), QStringLiteral("file"));
    parser.addOptions({kind, from, to, keep, out});
    parser.process(app);

    static const QStringList kinds{QStringLiteral("calls"), QStringLiteral("responses"), QStringLiteral("customers"),
                                   QStringLiteral("phonebook")};
    const qsizetype kindIndex = kinds.indexOf(parser.value(kind));
    if (kindIndex < 0 || !parser.isSet(out) || !parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }

    ExportRequest request;
    request.kind = ExportKind(kindIndex);
    request.path = QFileInfo(parser.value(out)).absoluteFilePath();
    if (parser.value(out).endsWith(QLatin1Char('/')))
        request.path += QLatin1Char('/'); // no file name: the path check says so
    request.removeLineBreaks = !parser.isSet(keep);
    request.askBeforeOverwrite = false;
    bool ok = true;
    request.first = parser.isSet(from) ? parseDate(parser.value(from), &ok) : QDate::currentDate();
    if (ok)
        request.last = parser.isSet(to) ? parseDate(parser.value(to), &ok) : request.first;
    if (!ok) {
        std::fprintf(stderr, "zuvaro3-export: dates are written yyyy/mm/dd\n");
        return 2;
    }
    // A reversed period would give a file with no records that looks like an answer.
    if ((request.kind == ExportKind::Calls || request.kind == ExportKind::Responses) && request.first > request.last) {
        std::fprintf(stderr, "zuvaro3-export: %s\n", "終了期間より開始期間の方が大きい日付になっています。");
        return 2;
    }

    SharedData::PrepareProcess();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    LoadStartupSettings();
    StderrPresenter presenter;
    MessageService::setPresenter(&presenter);

    const QString dbPath = GTelDbPath;
    if (const QString older = StructureConversion::ToolRefusal(dbPath); !older.isEmpty()) {
        std::fprintf(stderr, "zuvaro3-export: %s\n", qPrintable(older));
        CloseSettingsFile();
        return 1;
    }
    int rc = 1;
    {
        TdmCmn dm(dbPath);
        try {
            bool held = false;
            try {
                dm.IBDatabase1.ensureOpen();
            } catch (const DatabaseError& e) {
                // Another process's embedded engine holds the file (the program run by another user).
                held = isLocalPath(dbPath) && QFileInfo::exists(dbPath) && SharedData::IsHeldByAnotherProgram(e.message());
                if (!held)
                    throw;
                inUse(dbPath);
                std::fprintf(stderr, "zuvaro3-export: %s\n", qPrintable(e.message()));
                rc = 3;
            }
            if (!held) {
                DataExporter exporter(dm.IBDatabase1);
                if (exporter.Run(request) == DataExporter::Done) {
                    MessageService::Information(DataExporter::DoneMessage());
                    rc = 0;
                }
            }
        } catch (const AppError& e) {
            WriteLog(QStringLiteral("zuvaro3-export: ") + e.message());
            std::fprintf(stderr, "zuvaro3-export: %s\n", qPrintable(QString(e.message()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
            if (SharedData::IsLockFolderFailure(e.message()))
                std::fprintf(stderr, "zuvaro3-export: %s\n", qPrintable(SharedData::LockFolderFailureToolText()));
            rc = 1;
        }
    }
    ShutdownEngine();
    SharedData::HandBackToGroup({dbPath});
    MessageService::setPresenter(nullptr);
    CloseSettingsFile();
    return rc;
}
