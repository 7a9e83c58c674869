#include "logs/ExportRules.h"

#include "core/Helpers.h"
#include "logs/XlsTableWriter.h"
#include "logs/XlsxTableWriter.h"

#include <QDir>
#include <QFileInfo>

namespace ExportRules {

namespace {
const QString kCrLf = QStringLiteral("\r\n");

QString nn(int id)
{
    return QStringLiteral("%1").arg(id, 2, 10, QLatin1Char('0'));
}

QString extension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot + 1).toUpper();
}

QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// widths and text columns are given by 1-based column number, as people count columns.
ExportLayout layout(QString title, const QString& captions, std::initializer_list<std::pair<int, double>> widths,
                    std::initializer_list<int> textColumns, int memoColumn)
{
    ExportLayout l;
    l.title = std::move(title);
    l.captions = captions.split(QLatin1Char(','));
    for (qsizetype i = 0; i < l.captions.size(); ++i) {
        l.widths << 0;
        l.textColumns << false;
    }
    for (const auto& [col, width] : widths)
        l.widths[col - 1] = width;
    for (int col : textColumns)
        l.textColumns[col - 1] = true;
    l.memoColumn = memoColumn - 1;
    return l;
}

QString periodTitle(const QString& head, const QDate& first, const QDate& last, const QDateTime& now)
{
    return head + TitleDate(first) + QStringLiteral("～") + TitleDate(last) + QStringLiteral("）   作成日時：") +
           now.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}
} // namespace

ExportFormat FormatOf(const QString& path)
{
    const QString ext = extension(fileNameOf(path));
    if (ext == QLatin1String("XLS"))
        return ExportFormat::Xls;
    if (ext == QLatin1String("XLSX"))
        return ExportFormat::Xlsx;
    return ExportFormat::Text;
}

PathProblem CheckPath(const QString& path)
{
    if (path.isEmpty())
        return PathProblem::Empty;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : path.left(slash + 1);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return PathProblem::NoFolder;
    const QString name = path.mid(slash + 1);
    if (name.isEmpty())
        return PathProblem::NoFileName;
    if (extension(name).isEmpty())
        return PathProblem::NoExtension;
    return PathProblem::None;
}

QString PathMessage(PathProblem problem)
{
    switch (problem) {
    case PathProblem::Empty:
        return QStringLiteral("出力先を入力してください。");
    case PathProblem::NoFolder:
        return QStringLiteral("出力先ディレクトリが見つかりません。");
    case PathProblem::NoFileName:
        return QStringLiteral("ファイル名を入力してください。");
    case PathProblem::NoExtension:
        return QStringLiteral("拡張子を入力してください。");
    case PathProblem::None:
        break;
    }
    return QString();
}

QStringList FileTypes()
{
    return {QStringLiteral("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)"), QStringLiteral("CSV ﾌｧｲﾙ (*.csv)"), QStringLiteral("ｴｸｾﾙ ﾌｧｲﾙ (*.xls)"),
            QStringLiteral("ｴｸｾﾙ ﾌｧｲﾙ (*.xlsx)")};
}

namespace {
const char* const kTypeExtensions[] = {"txt", "csv", "xls", "xlsx"};
}

int FileTypeOf(const QString& path)
{
    const QString ext = extension(fileNameOf(path)).toLower();
    for (int i = 0; i < 4; ++i)
        if (ext == QLatin1String(kTypeExtensions[i]))
            return i;
    return 0;
}

QString WithFileType(const QString& path, int type)
{
    if (type < 0 || type > 3 || path.isEmpty())
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? path.left(dot) : path;
    return stem + QLatin1Char('.') + QLatin1String(kTypeExtensions[type]);
}

bool AsksBeforeOverwrite(ExportKind kind)
{
    return kind == ExportKind::Customers || kind == ExportKind::PhoneBook;
}

int RecordLimit(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Xls:
        return XlsTableWriter::MaxRecords;
    case ExportFormat::Xlsx:
        return XlsxTableWriter::MaxRecords;
    case ExportFormat::Text:
        break;
    }
    return -1;
}

QString RowLimitMessage(ExportFormat format)
{
    if (format == ExportFormat::Xlsx)
        return QStringLiteral("最大行数(1048576行)に収まりません。ＣＳＶファイルとして出力してください。\r\n"
                              "(出力先ファイルの拡張子を.xlsxから.csvに変更してください。)");
    return QStringLiteral("最大行数(65536行)に収まりません。ＣＳＶファイルとして出力してください。\r\n"
                          "(出力先ファイルの拡張子を.xlsから.csvに変更してください。)");
}

bool HasPeriod(ExportKind kind)
{
    return kind == ExportKind::Calls || kind == ExportKind::Responses;
}

bool HasMemo(ExportKind kind)
{
    return kind != ExportKind::PhoneBook;
}

QString PeriodCondition(const QString& column, const QDate& first, const QDate& last)
{
    return QStringLiteral("where ") + column + QStringLiteral(" >= ") + SqlDate(first) + kCrLf + QStringLiteral("and ") +
           column + QStringLiteral(" < ") + SqlDate(last.addDays(1)) + kCrLf;
}

QString CountSql(ExportKind kind, const QDate& first, const QDate& last)
{
    switch (kind) {
    case ExportKind::Calls:
        return QStringLiteral("select count(LOG_NO) CNT from log g") + kCrLf +
               PeriodCondition(QStringLiteral("g.DT_FROM"), first, last);
    case ExportKind::Responses:
        return QStringLiteral("select count(ACT_NO) CNT from ACCEPT_T a") + kCrLf +
               PeriodCondition(QStringLiteral("a.ACT_DT"), first, last);
    case ExportKind::Customers:
        return QStringLiteral("select count(CUST_NO) CNT, max(CUST_NO) MAX_CUST_NO from CUSTOMER where DEL_DT is null") +
               kCrLf;
    case ExportKind::PhoneBook:
        return QStringLiteral("select count(TEL_NO) CNT from TELS") + kCrLf;
    }
    return QString();
}

QString RecordSql(ExportKind kind, const QDate& first, const QDate& last)
{
    switch (kind) {
    case ExportKind::Calls:
        return QStringLiteral("select g.DT_FROM,g.TEL_NO,g.TEL_TYPE,g.PORT_NO,t.CALLER,g.DT_TO,g.TEL_MEMO from log g "
                              "left join tels t on g.TEL_NO = t.TEL_NO") +
               kCrLf + PeriodCondition(QStringLiteral("g.DT_FROM"), first, last) + QStringLiteral(" order by g.LOG_NO");
    case ExportKind::Responses:
        return QStringLiteral("select c.CUST_NAME, c.CUST_TEL, g.TEL_NO, a.ACT_DT, t.TYPE_NAME, r.RESULT_NAME, "
                              "u.USERNM, a.TITLE, a.CONTENT from ACCEPT_T a  left join CUSTOMER c on c.CUST_NO = "
                              "a.CUST_NO  left join LOG g on g.LOG_NO = a.LOG_NO  left join USER_M u on u.USERID = "
                              "a.USERID  left join ACCEPT_TYPE t on t.TYPE_ID = a.TYPE_ID  left join ACCEPT_RESULT r "
                              "on r.RESULT_ID = a.RESULT_ID ") +
               kCrLf + PeriodCondition(QStringLiteral("a.ACT_DT"), first, last) + QStringLiteral(" order by a.ACT_NO");
    case ExportKind::PhoneBook:
        return QStringLiteral("select TEL_NO, CUST_TEL_NON, CALLER, READ_NAME from TELS order by TEL_NO");
    case ExportKind::Customers:
        break;
    }
    return QString();
}

QString OptionColumnsSql()
{
    return QStringLiteral("select OPTION_ID, DESP_NAME, FIELD_TYPE from OPTION_M where DEL_DT is null and OPTION_ID "
                          "between 1 and 20 order by OPTION_ID");
}

QString OptionCaption(int id, const QString& name)
{
    return name.isEmpty() ? QStringLiteral("項目") + nn(id) : name;
}

QStringList CustomerBlockSql(const QList<ExportOptionColumn>& options, int maxCustNo)
{
    QString select = QStringLiteral(
        "select c.CUST_NAME, c.CUST_KANA, c.BIRTH_DT, CASE c.SEX WHEN 0 then '不明' WHEN 1 then '男' WHEN 2 then '女' "
        "ELSE '' END AS SEX_NAME, c.CUST_TEL, c.FAX_NO, c.ZIP_CD, c.ADDRESS, c.MAP_URL, c.EMAIL, c.HP_URL, u.USERNM, "
        "c.OTHERS");
    QString joins = QStringLiteral(" from CUSTOMER c left join USER_M u on u.USERID = c.USERID");
    for (const ExportOptionColumn& o : options) {
        if (o.choice) {
            select += QStringLiteral(", d") + nn(o.id) + QStringLiteral(".DNAME as OPTION_") + nn(o.id);
            joins += QStringLiteral(" left join OPTION_D_M d") + nn(o.id) + QStringLiteral(" on d") + nn(o.id) +
                     QStringLiteral(".OPTION_ID = ") + QString::number(o.id) + QStringLiteral(" and d") + nn(o.id) +
                     QStringLiteral(".DID = c.OPTION_") + nn(o.id);
        } else {
            select += QStringLiteral(", c.OPTION_") + nn(o.id);
        }
    }
    const QString head = select + joins;
    const int blocks = (maxCustNo + 9999) / 10000;
    if (blocks < 2)
        return {head + QStringLiteral(" where c.DEL_DT is null order by c.CUST_NO")};
    QStringList sql;
    for (int k = 0; k < blocks; ++k) {
        const qint64 from = 10000LL * k;
        if (k + 1 < blocks)
            sql << head + QStringLiteral(" where c.DEL_DT is null and c.CUST_NO between ") + QString::number(from) +
                       QStringLiteral(" and ") + QString::number(from + 9999) + QStringLiteral(" order by c.CUST_NO");
        else
            sql << head + QStringLiteral(" where c.DEL_DT is null and c.CUST_NO >= ") + QString::number(from) +
                       QStringLiteral(" order by c.CUST_NO");
    }
    return sql;
}

QString TitleDate(const QDate& d)
{
    return d.toString(QStringLiteral("yyyy'年'MM'月'dd'日'"));
}

ExportLayout Layout(ExportKind kind, const QDate& first, const QDate& last, const QDateTime& now,
                    const QList<ExportOptionColumn>& options)
{
    const QString stamp = now.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    switch (kind) {
    case ExportKind::Calls:
        return layout(periodTitle(QStringLiteral("発着信履歴データ（"), first, last, now),
                      QStringLiteral("発着信日時,電話番号,発着信区分,ポート,顧客名,通話終了日時,メモ"),
                      {{1, 16}, {2, 14}, {5, 20}, {7, 30}}, {2}, 7);
    case ExportKind::Responses:
        return layout(periodTitle(QStringLiteral("対応履歴データ（"), first, last, now),
                      QStringLiteral("顧客名,代表番号,着信番号,日時,区分,結果,対応者,件名,内容"),
                      {{1, 15}, {2, 14}, {3, 14}, {4, 16}, {5, 17}, {6, 17}, {7, 17}, {8, 23}, {9, 50}}, {2, 3}, 9);
    case ExportKind::Customers: {
        ExportLayout l = layout(
            QStringLiteral("顧客リスト  作成日時：") + stamp,
            QStringLiteral("顧客名,顧客カナ,生年月日,性別,代表番号,FAX番号,郵便番号,住所,地図URL,電子メール,ＨＰ,担当,備考"),
            {{1, 15}, {2, 15}, {3, 11}, {4, 6}, {5, 14}, {6, 14}, {7, 9}, {8, 25}, {9, 14}, {10, 14}, {11, 14},
             {12, 12}, {13, 80}},
            {5, 6}, 13);
        for (const ExportOptionColumn& o : options) {
            l.captions << o.caption;
            l.widths << 0;
            l.textColumns << false;
        }
        return l;
    }
    case ExportKind::PhoneBook:
        return layout(QStringLiteral("電話帳リスト  作成日時：") + stamp,
                      QStringLiteral("電話番号,代表電話番号,名前,音声読上名"), {{1, 14}, {2, 14}, {3, 20}, {4, 20}},
                      {1, 2}, 0);
    }
    return {};
}

} // namespace ExportRules
