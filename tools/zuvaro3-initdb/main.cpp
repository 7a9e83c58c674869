// zuvaro3-initdb: creates the initial database the program expects to find.

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/SharedData.h"
#include "db/FbDatabase.h"
#include "db/FbEngine.h"
#include "db/InitialDatabase.h"
#include "db/NumberUnifier.h"
#include "db/StructureConversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
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
int UnifyNumbers(const QString& path, const QString& countryCode, const QString& unknownName, bool dryRun)
{
    try {
        FbDatabase db;
        db.setDatabaseName(path);
        db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                      QStringLiteral("lc_ctype=NONE")});
        db.setSqlDialect(1);
        NumberUnifier unifier(db, countryCode, unknownName);
        const NumberUnifier::Plan plan = unifier.Survey();
        for (const QString& line : plan.Describe())
            std::printf("%s\n", qPrintable(line));
        if (plan.LeftAlone() > 0)
            std::printf("%d left as they are (listed as 変更しません): different callers meet there.\n",
                        plan.LeftAlone());
        if (plan.IsEmpty()) {
            std::printf("Nothing to change.\n");
            return 0;
        }
        if (dryRun) {
            std::printf("%d changes listed; nothing written (--dry-run).\n", plan.Changes());
            return 0;
        }
        std::fflush(stdout);
        unifier.Apply(plan);
        std::printf("%d changes written.\n", plan.Changes());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zuvaro3-initdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuvaro3-initdb"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZUVARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Creates a new Zuvaro database file: SQL dialect 1, default character set NONE, the base tables and\n"
        "generators, no users (the program adds the administrator and the later tables on its first start).\n"
        "An existing file is never overwritten. Missing parent folders are created.\n"
        "\n"
        "--postal-csv loads the optional postal code masters (POST_M, CITY_M, PREF_M) from a CSV file,\n"
        "UTF-8 or CP932, one postal code per line, with these six columns in this order:\n"
        "  1 postal code (7 digits; hyphens are removed)\n"
        "  2 prefecture code\n"
        "  3 prefecture name\n"
        "  4 city code\n"
        "  5 city name\n"
        "  6 area name (town)\n"
        "Fields may be double-quoted. A first line that does not begin with a digit is a header and skipped.\n"
        "Example: 1000001,13,東京都,13101,千代田区,千代田\n"
        "\n"
        "--unify-numbers works on an existing database instead: it brings the numbers of the phone book,\n"
        "the customers and the call log into their national form (blanks, hyphens, dots and brackets\n"
        "removed, full-width digits made ASCII, +<country code> or 00<country code> written as 0), lists\n"
        "every change and makes them all in one transaction. Phone-book entries of one caller that meet\n"
        "in one form become one (a real name wins over the unknown-caller name); entries of different\n"
        "callers (other names, other customers) and customers whose numbers would meet keep their\n"
        "numbers and calls, and are listed (\"変更しません\") for a person to settle. Running it again\n"
        "changes nothing.\n"
        "\n"
        "--convert works on an existing database too: a file of the older on-disk structure (made by\n"
        "Firebird 3, which Firebird 4 does not open) is converted in one step, as the program does at its\n"
        "start: the original is kept beside it as PATH_ods12_<yyyymmdd_hhnnss>, every table's rows are\n"
        "counted before and after. A file of the current structure is left as it is."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption postal(QStringList{QStringLiteral("postal-csv")},
                              QStringLiteral("Load the postal code masters from <file>."), QStringLiteral("file"));
    parser.addOption(postal);
    QCommandLineOption owner(QStringList{QStringLiteral("owner")},
                             QStringLiteral("Make <user> the owner of the new database (default SYSDBA). On a Firebird\n"
                                            "server, the program's DB_USER then has every right on this database only."),
                             QStringLiteral("user"), QStringLiteral("SYSDBA"));
    parser.addOption(owner);
    QCommandLineOption unify(QStringList{QStringLiteral("unify-numbers")},
                             QStringLiteral("Unify the numbers stored in the existing database PATH."));
    parser.addOption(unify);
    QCommandLineOption dryRun(QStringList{QStringLiteral("dry-run")},
                              QStringLiteral("With --unify-numbers: only list what would change."));
    parser.addOption(dryRun);
    QCommandLineOption country(QStringList{QStringLiteral("country-code")},
                               QStringLiteral("With --unify-numbers: the own country code (default 81)."),
                               QStringLiteral("code"), QStringLiteral("81"));
    parser.addOption(country);
    QCommandLineOption unknown(QStringList{QStringLiteral("unknown-name")},
                               QStringLiteral("With --unify-numbers: the name of unknown callers (default 発信者不明)."),
                               QStringLiteral("name"), QStringLiteral("発信者不明"));
    parser.addOption(unknown);
    QCommandLineOption convert(QStringList{QStringLiteral("convert")},
                               QStringLiteral("Convert the existing database PATH of the older on-disk structure."));
    parser.addOption(convert);
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("The database file to create."));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return 2;
    }
    const QString path = QFileInfo(args.first()).absoluteFilePath();
    SharedData::PrepareProcess();
    if (parser.isSet(unify)) {
        const int unified = UnifyNumbers(FbDatabase::IsServerPath(args.first()) ? args.first() : path, parser.value(country), parser.value(unknown), parser.isSet(dryRun));
        ShutdownEngine();
        SharedData::HandBackToGroup({path});
        return unified;
    }
    if (parser.isSet(convert)) {
        int converted = 0;
        if (!StructureConversion::Needed(path)) {
            std::printf("%s: on-disk structure %d, nothing to convert\n", qPrintable(path),
                        StructureConversion::FileStructure(path));
        } else {
            StructureConversion conversion(path);
            const bool done = conversion.Run();
            for (const QString& step : conversion.Steps())
                std::printf("%s\n", qPrintable(step));
            if (done) {
                std::printf("Converted %s: %d tables, %lld rows; the original is kept as %s\n", qPrintable(path),
                            int(conversion.Rows().size()), conversion.TotalRows(), qPrintable(conversion.KeptOriginal()));
            } else {
                std::fprintf(stderr, "zuvaro3-initdb: cannot convert %s: %s; the file is unchanged\n", qPrintable(path),
                             qPrintable(conversion.Failure()));
                converted = 1;
            }
        }
        ShutdownEngine();
        SharedData::HandBackToGroup({path});
        return converted;
    }
    int rc = 0;
    try {
        InitialDatabase::Create(path, parser.value(owner).trimmed().toUpper());
        if (parser.isSet(postal)) {
            QStringList skipped;
            try {
                const int rows = InitialDatabase::ImportPostalCsv(path, parser.value(postal), &skipped);
                for (const QString& s : skipped)
                    std::fprintf(stderr, "zuvaro3-initdb: skipped %s\n", qPrintable(s));
                std::printf("Created %s\n", qPrintable(path));
                std::printf("Loaded %d postal codes from %s; %d rows skipped\n", rows, qPrintable(parser.value(postal)),
                            int(skipped.size()));
            } catch (...) {
                // A database without its masters would be refused by the next attempt as existing.
                QFile::remove(path);
                throw;
            }
        } else {
            std::printf("Created %s\n", qPrintable(path));
        }
    } catch (const AppError& e) {
        std::fprintf(stderr, "zuvaro3-initdb: %s\n", qPrintable(e.message()));
        if (SharedData::IsLockFolderFailure(e.message()))
            std::fprintf(stderr, "zuvaro3-initdb: %s\n", qPrintable(SharedData::LockFolderFailureToolText()));
        rc = 1;
    }
    ShutdownEngine();
    SharedData::HandBackToGroup({path});
    return rc;
}
