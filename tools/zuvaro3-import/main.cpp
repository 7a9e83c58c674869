// zuvaro3-import: the import of the "データ取込" dialog without a window, for scripts.

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/SharedData.h"
#include "core/StartupSettings.h"
#include "db/DatabaseError.h"
#include "db/FbEngine.h"
#include "db/TdmCmn.h"
#include "imports/ImportPlan.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
// The Firebird client keeps a few allocations for the life of the process.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {

class StderrPresenter : public MessagePresenter
{
public:
    MsgResult present(MsgKind, const QString&, const QString& text, MsgButtons) override
    {
        std::fprintf(stderr, "zuvaro3-import: %s\n", qPrintable(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
        return MsgResult::Ok;
    }
};

void say(const QString& text)
{
    std::fprintf(stderr, "zuvaro3-import: %s\n", qPrintable(text));
}

bool isLocalPath(const QString& path)
{
    return path.startsWith(QLatin1Char('/')) || !path.contains(QLatin1Char(':'));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuvaro3-import"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZUVARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Takes customers or phone-book entries from a CSV file (the program's own export, or any comma- or\n"
        "tab-separated file with a header line) or from vCard contacts, as the \"データ取込\" dialog does.\n"
        "Every row is planned first; refused and shortened rows are listed with their line (or card)\n"
        "number. Before the first row is written a backup copy of the database goes to the backup folder\n"
        "of the settings; all rows are written in one transaction.\n"
        "Exit status: 0 everything taken, 1 some rows refused, 2 bad usage, 3 nothing could be done."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("what"), QStringLiteral("customers or phonebook"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The CSV or vCard file."));
    const QCommandLineOption layout(QStringLiteral("layout"),
                                    QStringLiteral("own: the file must be the program's export; mapped: columns by --map "
                                                   "or the mapping remembered for its header line. Default: recognised."),
                                    QStringLiteral("own|mapped"));
    const QCommandLineOption map(QStringLiteral("map"),
                                 QStringLiteral("COLUMN=FIELD,… where COLUMN is a caption of the header or its number from 1, "
                                                "FIELD one of name, reading, tel, fax, zip, address, map, email, hp, remarks, "
                                                "birth, sex, user, option1…option20, none (phone book: telno, key, caller, "
                                                "readname). The mapping is remembered for the header line."),
                                 QStringLiteral("mapping"));
    const QCommandLineOption onDuplicate(QStringLiteral("on-duplicate"),
                                         QStringLiteral("A customer (phone-book entry) already stored under the number: skip "
                                                        "it (default), fill only its empty fields, or replace its fields."),
                                         QStringLiteral("skip|fill|replace"));
    const QCommandLineOption allowCut(QStringLiteral("allow-cut"),
                                      QStringLiteral("Cut a field longer than its column (with a warning) instead of refusing the row."));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("Show the plan only; write nothing."));
    parser.addOptions({layout, map, onDuplicate, allowCut, dryRun});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const QStringList targets{QStringLiteral("customers"), QStringLiteral("phonebook")};
    const QStringList duplicates{QStringLiteral("skip"), QStringLiteral("fill"), QStringLiteral("replace")};
    const QString layoutValue = parser.value(layout);
    if (args.size() != 2 || !targets.contains(args.at(0)) ||
        (parser.isSet(onDuplicate) && !duplicates.contains(parser.value(onDuplicate))) ||
        (parser.isSet(layout) && layoutValue != QLatin1String("own") && layoutValue != QLatin1String("mapped"))) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }

    ImportOptions options;
    options.target = args.at(0) == targets.at(0) ? ImportTarget::Customers : ImportTarget::PhoneBook;
    options.onDuplicate = OnDuplicate(duplicates.indexOf(parser.value(onDuplicate).isEmpty() ? duplicates.at(0)
                                                                                              : parser.value(onDuplicate)));
    options.allowCut = parser.isSet(allowCut);
    const QString file = QFileInfo(args.at(1)).absoluteFilePath();

    SharedData::PrepareProcess();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    LoadStartupSettings();
    options.kanaType = GKanaType;
    StderrPresenter presenter;
    MessageService::setPresenter(&presenter);

    const QString dbPath = GTelDbPath;
    int rc = 3;
    {
        TdmCmn dm(dbPath);
        try {
            bool held = false;
            try {
                dm.IBDatabase1.ensureOpen();
            } catch (const DatabaseError& e) {
                held = isLocalPath(dbPath) && QFileInfo::exists(dbPath) && SharedData::IsHeldByAnotherProgram(e.message());
                if (!held)
                    throw;
                say(QStringLiteral("the database %1 is held by another program (normally the running Zuvaro3); stop it "
                                   "or serve the database from a Firebird server.").arg(dbPath));
            }
            if (!held) {
                ImportPlanner planner(dm);
                planner.Load(file, options.target);
                ImportMapping mapping;
                const ImportPlan::Layout found = planner.layout();
                const bool own = found == ImportPlan::Layout::OwnCustomers || found == ImportPlan::Layout::OwnPhoneBook;
                if (layoutValue == QLatin1String("own") && !own && planner.plan().problem.isEmpty()) {
                    say(QStringLiteral("the file is not one of the program's own exports"));
                    rc = 3;
                } else {
                    bool usable = true;
                    if (found == ImportPlan::Layout::Mapped && planner.plan().problem.isEmpty()) {
                        if (parser.isSet(map)) {
                            QString error;
                            if (!ImportMapping::Parse(parser.value(map), planner.header(), &mapping, &error)) {
                                say(error);
                                usable = false;
                                rc = 2;
                            } else if (!parser.isSet(dryRun)) {
                                ImportMappings::Remember(planner.header(), mapping);
                            }
                        } else {
                            bool remembered = false;
                            mapping = ImportMappings::Recall(planner.header(), &remembered);
                            if (!remembered)
                                say(QStringLiteral("no mapping remembered for this header line; guessed: ") + mapping.ToText());
                        }
                    }
                    if (usable) {
                        const ImportPlan& plan = planner.Plan(options, mapping);
                        if (!plan.problem.isEmpty()) {
                            say(plan.problem);
                            rc = 3;
                        } else {
                            for (const ImportNote& n : plan.notes)
                                say(n.Text());
                            std::printf("%s\n", qPrintable(plan.Summary()));
                            if (parser.isSet(dryRun)) {
                                rc = plan.toWrite() == 0 && plan.refused > 0 ? 3 : plan.refused > 0 ? 1 : 0;
                            } else {
                                ImportWriter writer(dm);
                                writer.setBackup(dbPath, GAutoBackupPath, GBackupGenerations);
                                const ImportWriter::Outcome out = writer.Write(plan, options.target);
                                if (out == ImportWriter::Done) {
                                    std::printf("取り込みました: %d 件（バックアップ: %s）\n", writer.written(),
                                                qPrintable(writer.backupCopy()));
                                    rc = plan.refused > 0 ? 1 : 0;
                                } else if (out == ImportWriter::Nothing) {
                                    rc = plan.refused > 0 ? 3 : 0;
                                } else {
                                    say(writer.failure());
                                    rc = 3;
                                }
                            }
                        }
                    }
                }
            }
        } catch (const AppError& e) {
            WriteLog(QStringLiteral("zuvaro3-import: ") + e.message());
            say(QString(e.message()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            rc = 3;
        }
    }
    ShutdownEngine();
    SharedData::HandBackToGroup({dbPath});
    MessageService::setPresenter(nullptr);
    CloseSettingsFile();
    return rc;
}
