#include "imports/ImportPlan.h"

#include "calls/DatabaseBackup.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Cp932.h"
#include "core/DiagLog.h"
#include "core/PhoneNumberForm.h"
#include "customers/KanaReading.h"
#include "db/ColumnWidths.h"
#include "db/FbQuery.h"
#include "db/FbWriteScope.h"
#include "db/IndexStatistics.h"
#include "db/SchemaUpgrade.h"
#include "db/StorableText.h"
#include "db/TdmCmn.h"
#include "logs/ExportRules.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace {

const char* const kKeys[] = {"none", "name", "reading", "tel", "fax", "zip", "address", "map", "email", "hp",
                             "remarks", "birth", "sex", "user", "telno", "key", "caller", "readname"};

QStringList ownCustomerCaptions()
{
    return ExportRules::Layout(ExportKind::Customers, {}, {}, {}).captions;
}

QStringList ownPhoneBookCaptions()
{
    return ExportRules::Layout(ExportKind::PhoneBook, {}, {}, {}).captions;
}

QDate parseDate(const QString& text, bool* ok)
{
    *ok = true;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    for (const char* f : {"yyyy/MM/dd", "yyyy-MM-dd", "yyyyMMdd", "yyyy/M/d"}) {
        const QDate d = QDate::fromString(t, QLatin1String(f));
        if (d.isValid())
            return d;
    }
    // The export writes dates with a time of day; vCards may too.
    for (const char* f : {"yyyy/MM/dd hh:mm:ss", "yyyy-MM-ddThh:mm:ss", "yyyy-MM-ddThh:mm:ssZ", "yyyyMMddThhmmssZ"}) {
        const QDateTime d = QDateTime::fromString(t, QLatin1String(f));
        if (d.isValid())
            return d.date();
    }
    *ok = false;
    return {};
}

bool parseSex(const QString& text, qint16* sex)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t == QStringLiteral("不明") || t == QLatin1String("0"))
        *sex = 0;
    else if (t == QStringLiteral("男") || t == QStringLiteral("男性") || t == QLatin1String("1") ||
             t.compare(QLatin1String("M"), Qt::CaseInsensitive) == 0)
        *sex = 1;
    else if (t == QStringLiteral("女") || t == QStringLiteral("女性") || t == QLatin1String("2") ||
             t.compare(QLatin1String("F"), Qt::CaseInsensitive) == 0)
        *sex = 2;
    else
        return false;
    return true;
}

QString* textField(TCust& c, ImportField f)
{
    switch (f) {
    case ImportField::Name: return &c.CustName;
    case ImportField::Kana: return &c.CustKana;
    case ImportField::Tel: return &c.CustTel;
    case ImportField::Fax: return &c.FaxNo;
    case ImportField::Zip: return &c.ZipCd;
    case ImportField::Address: return &c.Address;
    case ImportField::MapUrl: return &c.MapUrl;
    case ImportField::Email: return &c.Email;
    case ImportField::HpUrl: return &c.HpUrl;
    case ImportField::Others: return &c.Others;
    case ImportField::User: return &c.UserId;
    default:
        if (f >= ImportField::Option1 && f <= ImportField::Option20)
            return &c.Option[size_t(int(f) - int(ImportField::Option1) + 1)];
        return nullptr;
    }
}

const char* customerColumn(ImportField f)
{
    switch (f) {
    case ImportField::Name: return "CUST_NAME";
    case ImportField::Kana: return "CUST_KANA";
    case ImportField::Tel: return "CUST_TEL";
    case ImportField::Fax: return "FAX_NO";
    case ImportField::Zip: return "ZIP_CD";
    case ImportField::Address: return "ADDRESS";
    case ImportField::MapUrl: return "MAP_URL";
    case ImportField::Email: return "EMAIL";
    case ImportField::HpUrl: return "HP_URL";
    case ImportField::Others: return "OTHERS";
    case ImportField::User: return "USERID";
    default: return nullptr;
    }
}

// The customer fields in one list, for filling, replacing and comparing.
QList<ImportField> allCustomerFields()
{
    QList<ImportField> f{ImportField::Name,  ImportField::Kana,  ImportField::Tel,    ImportField::Fax,
                         ImportField::Zip,   ImportField::Address, ImportField::MapUrl, ImportField::Email,
                         ImportField::HpUrl, ImportField::Others, ImportField::User,   ImportField::BirthDate,
                         ImportField::Sex};
    for (int n = 0; n < 20; ++n)
        f << ImportField(int(ImportField::Option1) + n);
    return f;
}

bool sameCustomer(TCust a, TCust b)
{
    for (ImportField f : allCustomerFields()) {
        if (QString* t = textField(a, f)) {
            if (*t != *textField(b, f))
                return false;
        }
    }
    return a.BirthDt == b.BirthDt && a.Sex == b.Sex;
}

// Fill: fields empty in stored take the file's; replace: the file's fields the file has.
TCust merged(const TCust& stored, TCust incoming, const QSet<ImportField>& provided, OnDuplicate how)
{
    TCust out = stored;
    for (ImportField f : provided) {
        if (f == ImportField::BirthDate) {
            if (how == OnDuplicate::Replace || !out.BirthDt.isValid())
                out.BirthDt = incoming.BirthDt;
        } else if (f == ImportField::Sex) {
            if (how == OnDuplicate::Replace || out.Sex == 0)
                out.Sex = incoming.Sex;
        } else if (QString* t = textField(out, f)) {
            if (how == OnDuplicate::Replace || t->isEmpty())
                *t = *textField(incoming, f);
        }
    }
    out.CustTel = stored.CustTel.isEmpty() ? incoming.CustTel : stored.CustTel;
    return out;
}

QString columnCaption(ImportField f)
{
    return ImportFields::Caption(f);
}

} // namespace

namespace ImportFields {

QString Caption(ImportField f)
{
    switch (f) {
    case ImportField::None: return QStringLiteral("取り込まない");
    case ImportField::Name: return QStringLiteral("顧客名");
    case ImportField::Kana: return QStringLiteral("顧客カナ");
    case ImportField::Tel: return QStringLiteral("代表番号");
    case ImportField::Fax: return QStringLiteral("FAX番号");
    case ImportField::Zip: return QStringLiteral("郵便番号");
    case ImportField::Address: return QStringLiteral("住所");
    case ImportField::MapUrl: return QStringLiteral("地図URL");
    case ImportField::Email: return QStringLiteral("電子メール");
    case ImportField::HpUrl: return QStringLiteral("ホームページ");
    case ImportField::Others: return QStringLiteral("備考");
    case ImportField::BirthDate: return QStringLiteral("生年月日");
    case ImportField::Sex: return QStringLiteral("性別");
    case ImportField::User: return QStringLiteral("担当");
    case ImportField::TelNo: return QStringLiteral("電話番号");
    case ImportField::CustKey: return QStringLiteral("代表電話番号");
    case ImportField::Caller: return QStringLiteral("名前");
    case ImportField::ReadName: return QStringLiteral("音声読上名");
    default:
        return QStringLiteral("補足項目%1").arg(int(f) - int(ImportField::Option1) + 1);
    }
}

QString Key(ImportField f)
{
    if (f >= ImportField::Option1 && f <= ImportField::Option20)
        return QStringLiteral("option%1").arg(int(f) - int(ImportField::Option1) + 1);
    return QLatin1String(kKeys[int(f)]);
}

ImportField FromKey(const QString& key)
{
    const QString k = key.trimmed().toLower();
    for (int i = 0; i <= int(ImportField::ReadName); ++i)
        if (k == QLatin1String(kKeys[i]))
            return ImportField(i);
    if (k.startsWith(QLatin1String("option"))) {
        bool ok = false;
        const int n = k.mid(6).toInt(&ok);
        if (ok && n >= 1 && n <= 20)
            return ImportField(int(ImportField::Option1) + n - 1);
    }
    return ImportField::None;
}

QList<ImportField> CustomerChoices()
{
    QList<ImportField> c{ImportField::None};
    c << allCustomerFields();
    return c;
}

ImportField Guess(const QString& caption)
{
    const QString c = caption.trimmed().toLower();
    struct Word { const char* text; ImportField field; };
    static const Word words[] = {
        {"顧客カナ", ImportField::Kana}, {"カナ", ImportField::Kana}, {"ふりがな", ImportField::Kana},
        {"フリガナ", ImportField::Kana}, {"よみ", ImportField::Kana}, {"reading", ImportField::Kana},
        {"fax", ImportField::Fax}, {"ｆａｘ", ImportField::Fax},
        {"代表番号", ImportField::Tel}, {"電話", ImportField::Tel}, {"tel", ImportField::Tel}, {"phone", ImportField::Tel},
        {"郵便", ImportField::Zip}, {"〒", ImportField::Zip}, {"zip", ImportField::Zip},
        {"住所", ImportField::Address}, {"address", ImportField::Address},
        {"地図", ImportField::MapUrl}, {"メール", ImportField::Email}, {"mail", ImportField::Email},
        {"ｈｐ", ImportField::HpUrl}, {"ホームページ", ImportField::HpUrl}, {"url", ImportField::HpUrl},
        {"備考", ImportField::Others}, {"メモ", ImportField::Others}, {"note", ImportField::Others},
        {"生年月日", ImportField::BirthDate}, {"誕生日", ImportField::BirthDate}, {"birth", ImportField::BirthDate},
        {"性別", ImportField::Sex}, {"sex", ImportField::Sex}, {"gender", ImportField::Sex},
        {"担当", ImportField::User},
        {"顧客名", ImportField::Name}, {"氏名", ImportField::Name}, {"名前", ImportField::Name},
        {"会社", ImportField::Name}, {"name", ImportField::Name},
    };
    for (const Word& w : words)
        if (c.contains(QString::fromUtf8(w.text)))
            return w.field;
    return ImportField::None;
}

} // namespace ImportFields

bool ImportMapping::isEmpty() const
{
    for (ImportField f : fields)
        if (f != ImportField::None)
            return false;
    return true;
}

bool ImportMapping::Parse(const QString& text, const QStringList& header, ImportMapping* out, QString* error)
{
    out->fields = QList<ImportField>(header.size(), ImportField::None);
    for (const QString& pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.lastIndexOf(QLatin1Char('='));
        if (eq <= 0) {
            *error = QStringLiteral("COLUMN=FIELD expected: ") + pair;
            return false;
        }
        const QString column = pair.left(eq).trimmed();
        const QString key = pair.mid(eq + 1).trimmed();
        qsizetype index = header.indexOf(column);
        bool number = false;
        const int n = column.toInt(&number);
        if (index < 0 && number && n >= 1 && n <= header.size())
            index = n - 1;
        if (index < 0) {
            *error = QStringLiteral("no such column: ") + column;
            return false;
        }
        const ImportField f = ImportFields::FromKey(key);
        if (f == ImportField::None && key.toLower() != QLatin1String("none")) {
            *error = QStringLiteral("no such field: ") + key;
            return false;
        }
        out->fields[index] = f;
    }
    return true;
}

QString ImportMapping::ToText() const
{
    QStringList keys;
    for (ImportField f : fields)
        keys << ImportFields::Key(f);
    return keys.join(QLatin1Char(','));
}

ImportMapping ImportMapping::FromText(const QString& text, int columns)
{
    ImportMapping m;
    const QStringList keys = text.split(QLatin1Char(','));
    for (int i = 0; i < columns; ++i)
        m.fields << ImportFields::FromKey(keys.value(i));
    return m;
}

namespace ImportMappings {

namespace {
// One line per header: the header's digest, a tab, the mapping.
QString digest(const QStringList& header)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(header.join(QChar(0x1F)).toUtf8(), QCryptographicHash::Sha1).toHex());
}

QHash<QString, QString> readAll()
{
    QHash<QString, QString> all;
    QFile f(FilePath());
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n')) {
            const qsizetype tab = line.indexOf('\t');
            if (tab > 0)
                all.insert(QString::fromLatin1(line.left(tab)), QString::fromUtf8(line.mid(tab + 1)).trimmed());
        }
    }
    return all;
}
} // namespace

QString FilePath()
{
    return gDataDir + QStringLiteral("/ImportMappings.txt");
}

ImportMapping Recall(const QStringList& header, bool* found)
{
    const QHash<QString, QString> all = readAll();
    const auto it = all.constFind(digest(header));
    if (found)
        *found = it != all.cend();
    if (it == all.cend()) {
        ImportMapping guess;
        for (const QString& caption : header)
            guess.fields << ImportFields::Guess(caption);
        return guess;
    }
    return ImportMapping::FromText(*it, int(header.size()));
}

void Remember(const QStringList& header, const ImportMapping& mapping)
{
    QHash<QString, QString> all = readAll();
    all.insert(digest(header), mapping.ToText());
    QSaveFile f(FilePath());
    if (!f.open(QIODevice::WriteOnly))
        return;
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        f.write(it.key().toLatin1() + '\t' + it.value().toUtf8() + '\n');
    if (!f.commit())
        WriteLog(QStringLiteral("ImportMappings.Remember failed: ") + f.errorString());
}

} // namespace ImportMappings

QString ImportNote::Text() const
{
    return (card ? QStringLiteral("カード %1: ") : QStringLiteral("%1 行目: ")).arg(line) +
           (refused ? QString() : QStringLiteral("（警告）")) + reason;
}

QString ImportPlan::Summary() const
{
    return QStringLiteral("新規 %1 件、更新 %2 件、変更なし %3 件、重複のため除外 %4 件、取込不可 %5 件")
        .arg(newCount)
        .arg(updated)
        .arg(unchanged)
        .arg(duplicates)
        .arg(refused);
}

bool ImportPlanner::Load(const QString& path, ImportTarget target)
{
    return loadDecoded(ImportSource::ReadFile(path), target);
}

bool ImportPlanner::LoadText(const QByteArray& bytes, ImportTarget target)
{
    return loadDecoded(ImportSource::Decode(bytes), target);
}

bool ImportPlanner::loadDecoded(const ImportSource::Decoded& d, ImportTarget target)
{
    FPlan = ImportPlan();
    FTable = ImportSource::CsvTable();
    FCards.clear();
    FPlan.encoding = d.encoding;
    FFileProblem = d.problem;
    if (FFileProblem.isEmpty()) {
        if (ImportSource::LooksLikeVCard(d.text)) {
            FPlan.layout = ImportPlan::Layout::VCard;
            if (target == ImportTarget::PhoneBook)
                FFileProblem = QStringLiteral("vCard のファイルは顧客として取り込んでください。");
            else
                FCards = ImportSource::ParseVCards(d.text);
            if (FFileProblem.isEmpty() && FCards.isEmpty())
                FFileProblem = QStringLiteral("カードがありません。");
        } else {
            FTable = ImportSource::ParseCsv(d.text);
            FFileProblem = FTable.problem;
            const QStringList own = ownCustomerCaptions();
            if (FTable.header.mid(0, own.size()) == own) {
                FPlan.layout = ImportPlan::Layout::OwnCustomers;
                if (target != ImportTarget::Customers)
                    FFileProblem = QStringLiteral("顧客リストのファイルです。顧客として取り込んでください。");
            } else if (FTable.header == ownPhoneBookCaptions()) {
                FPlan.layout = ImportPlan::Layout::OwnPhoneBook;
                if (target != ImportTarget::PhoneBook)
                    FFileProblem = QStringLiteral("電話帳リストのファイルです。電話帳として取り込んでください。");
            }
            FPlan.header = FTable.header;
            for (qsizetype i = 0; i < FTable.records.size() && i < 20; ++i)
                FPlan.preview << FTable.records.at(i).fields;
        }
    }
    FPlan.problem = FFileProblem;
    return FFileProblem.isEmpty();
}

void ImportPlanner::loadLookups()
{
    FUsers.clear();
    FChoices.clear();
    FChoiceField.clear();
    FOptionByCaption.clear();
    ColumnWidths::Reset();
    ColumnWidths::Load(FDm.IBDatabase1);
    FbQuery q(FDm.IBDatabase1);
    q.setSql(QStringLiteral("select USERID, USERNM from USER_M"));
    for (q.open(); !q.eof(); q.next())
        FUsers.insert(q.fieldByName(QStringLiteral("USERNM")).asString(), q.fieldByName(QStringLiteral("USERID")).asString());
    q.close();
    q.setSql(ExportRules::OptionColumnsSql());
    for (q.open(); !q.eof(); q.next()) {
        const int id = q.fieldByName(QStringLiteral("OPTION_ID")).asInteger();
        FChoiceField.insert(id, q.fieldByName(QStringLiteral("FIELD_TYPE")).asString() == QLatin1String("m"));
        FOptionByCaption.insert(ExportRules::OptionCaption(id, q.fieldByName(QStringLiteral("DESP_NAME")).asString()), id);
    }
    q.close();
    q.setSql(QStringLiteral("select OPTION_ID, DID, DNAME from OPTION_D_M where DEL_DT is null"));
    for (q.open(); !q.eof(); q.next())
        FChoices[q.fieldByName(QStringLiteral("OPTION_ID")).asInteger()].insert(
            q.fieldByName(QStringLiteral("DNAME")).asString(), q.fieldByName(QStringLiteral("DID")).asString());
    q.release();
}

void ImportPlanner::note(int line, bool card, bool refused, const QString& reason)
{
    FPlan.notes << ImportNote{line, card, refused, reason};
}

bool ImportPlanner::checkText(int line, bool card, const char* table, const char* column, const QString& caption,
                              QString& value, const ImportOptions& options)
{
    if (value.isEmpty())
        return true;
    const QString bad = Cp932::firstUnencodable(value);
    if (!bad.isEmpty()) {
        note(line, card, true, UnstorableTextMessage(caption, bad));
        return false;
    }
    const int width = ColumnWidths::Width(QLatin1String(table), QLatin1String(column));
    const int bytes = Cp932::byteLength(value);
    if (width > 0 && bytes > width) {
        const QString what = QStringLiteral("「%1」が長すぎます（%2 バイト、%3 バイトまで）").arg(caption).arg(bytes).arg(width);
        if (!options.allowCut) {
            note(line, card, true, what);
            return false;
        }
        value = Cp932::truncateToBytes(value, width);
        note(line, card, false, what + QStringLiteral("。切り詰めました"));
    }
    return true;
}

ImportPlanner::Incoming ImportPlanner::fromRecord(const ImportSource::CsvRecord& r, const ImportMapping& mapping,
                                                   const ImportOptions& options)
{
    Incoming in;
    in.line = r.line;
    in.problem = r.problem;
    if (!in.problem.isEmpty())
        return in;
    if (r.fields.size() > mapping.fields.size() && !(r.fields.size() == mapping.fields.size() + 1 && r.fields.last().isEmpty())) {
        in.problem = QStringLiteral("列の数（%1）が見出し（%2）より多くなっています").arg(r.fields.size()).arg(mapping.fields.size());
        return in;
    }
    const bool own = FPlan.layout == ImportPlan::Layout::OwnCustomers;
    for (qsizetype i = 0; i < mapping.fields.size(); ++i) {
        const ImportField f = mapping.fields.at(i);
        if (f == ImportField::None)
            continue;
        in.provided.insert(f);
        // The program's own files are taken as written, so they come back byte for byte.
        const QString value = own || f == ImportField::Others ? r.fields.value(i) : r.fields.value(i).trimmed();
        if (f == ImportField::BirthDate) {
            bool ok = false;
            in.cust.BirthDt = parseDate(value, &ok);
            if (!ok) {
                in.problem = QStringLiteral("「生年月日」が日付ではありません（%1）").arg(value);
                return in;
            }
        } else if (f == ImportField::Sex) {
            if (!parseSex(value, &in.cust.Sex)) {
                in.problem = QStringLiteral("「性別」が読めません（%1）").arg(value);
                return in;
            }
        } else if (f == ImportField::User) {
            if (!value.isEmpty()) {
                const auto it = FUsers.constFind(value);
                if (it == FUsers.cend())
                    note(r.line, false, false, QStringLiteral("担当「%1」が登録されていないため空にしました").arg(value));
                else
                    in.cust.UserId = *it;
            }
        } else if (f >= ImportField::Option1 && f <= ImportField::Option20) {
            const int id = int(f) - int(ImportField::Option1) + 1;
            QString v = value;
            if (FChoiceField.value(id) && !v.isEmpty()) {
                v = FChoices.value(id).value(value);
                if (v.isEmpty())
                    note(r.line, false, false,
                         QStringLiteral("「%1」の選択肢「%2」がないため空にしました").arg(ImportFields::Caption(f), value));
            }
            in.cust.Option[size_t(id)] = v;
        } else if (QString* t = textField(in.cust, f)) {
            *t = value;
        }
    }
    if (!own && in.cust.CustKana.isEmpty() && !in.cust.CustName.isEmpty())
        in.cust.CustKana = KanaReading::ForKanaType(in.cust.CustName, options.kanaType);
    return in;
}

ImportPlanner::Incoming ImportPlanner::fromCard(const ImportSource::VCard& card, const ImportOptions& options)
{
    Incoming in;
    in.line = card.number;
    in.card = true;
    in.problem = card.problem;
    TCust& c = in.cust;
    c.CustName = card.formattedName;
    if (c.CustName.isEmpty())
        c.CustName = (card.family + QLatin1Char(' ') + card.given).trimmed();
    if (c.CustName.isEmpty())
        c.CustName = card.org;
    QString reading = (card.phoneticFamily + QLatin1Char(' ') + card.phoneticGiven).trimmed();
    if (reading.isEmpty())
        reading = card.sortString;
    if (!reading.isEmpty())
        c.CustKana = options.kanaType == 1 ? reading : KanaReading::ForKanaType(reading, options.kanaType);
    if (c.CustKana.isEmpty() && !c.CustName.isEmpty())
        c.CustKana = KanaReading::ForKanaType(c.CustName, options.kanaType);
    // The representative number: the first typed WORK or MAIN, else the first that is no FAX.
    int rep = -1;
    for (qsizetype i = 0; i < card.tels.size() && rep < 0; ++i) {
        const QStringList& t = card.tels.at(i).types;
        if (t.contains(QLatin1String("WORK")) || t.contains(QLatin1String("MAIN")))
            rep = int(i);
    }
    for (qsizetype i = 0; i < card.tels.size() && rep < 0; ++i)
        if (!card.tels.at(i).types.contains(QLatin1String("FAX")))
            rep = int(i);
    for (qsizetype i = 0; i < card.tels.size(); ++i) {
        const ImportSource::VTel& t = card.tels.at(i);
        if (int(i) == rep)
            c.CustTel = t.number;
        else if (t.types.contains(QLatin1String("FAX")) && c.FaxNo.isEmpty())
            c.FaxNo = t.number;
        else
            in.extraNumbers << t.number;
    }
    c.Email = card.emails.value(0);
    c.ZipCd = card.postalCode;
    c.Address = card.address;
    c.HpUrl = card.url;
    c.Others = card.note;
    if (!card.org.isEmpty() && card.org != c.CustName)
        c.Others = card.org + (c.Others.isEmpty() ? QString() : QStringLiteral("\r\n") + c.Others);
    if (!card.birthday.isEmpty()) {
        bool ok = false;
        c.BirthDt = parseDate(card.birthday, &ok);
        if (!ok)
            note(card.number, true, false, QStringLiteral("誕生日（%1）は日付として読めないため取り込みません").arg(card.birthday));
    }
    in.provided = {ImportField::Name, ImportField::Kana, ImportField::Tel};
    for (auto [value, field] : {std::pair{&c.FaxNo, ImportField::Fax}, {&c.Email, ImportField::Email},
                                {&c.ZipCd, ImportField::Zip}, {&c.Address, ImportField::Address},
                                {&c.HpUrl, ImportField::HpUrl}, {&c.Others, ImportField::Others}})
        if (!value->isEmpty())
            in.provided.insert(field);
    if (c.BirthDt.isValid())
        in.provided.insert(ImportField::BirthDate);
    return in;
}

void ImportPlanner::planCustomers(const ImportOptions& options, int count, const std::function<Incoming(int)>& make)
{
    QSet<QString> stored;
    {
        FbQuery q(FDm.IBDatabase1);
        q.setSql(QStringLiteral("select CUST_TEL_NON from CUSTOMER where DEL_DT is null"));
        for (q.open(); !q.eof(); q.next())
            stored.insert(q.field(0).asString());
        q.release();
    }
    QHash<QString, int> claimed; // key -> line that took it
    const QList<ImportField> textFields = allCustomerFields();
    // One row at a time: a large file is held once as read and once as planned, no more.
    FPlan.rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        Incoming r = make(i);
        auto refuse = [&](const QString& reason) {
            note(r.line, r.card, true, reason);
            ++FPlan.refused;
        };
        if (!r.problem.isEmpty()) {
            refuse(r.problem);
            continue;
        }
        const QString key = PhoneNumberForm::Typed(r.cust.CustTel.trimmed());
        if (key.trimmed().isEmpty()) {
            refuse(QStringLiteral("電話番号がありません"));
            continue;
        }
        const auto other = claimed.constFind(key);
        if (other != claimed.cend()) {
            refuse((r.card ? QStringLiteral("カード %1 と同じ番号です（%2）") : QStringLiteral("%1 行目と同じ番号です（%2）"))
                       .arg(*other)
                       .arg(key));
            continue;
        }
        bool ok = true;
        const qsizetype notesBefore = FPlan.notes.size();
        for (ImportField f : textFields) {
            QString* t = textField(r.cust, f);
            if (!t)
                continue;
            const char* column = customerColumn(f);
            const QByteArray option = f >= ImportField::Option1
                                          ? QStringLiteral("OPTION_%1").arg(int(f) - int(ImportField::Option1) + 1, 2, 10, QLatin1Char('0')).toLatin1()
                                          : QByteArray();
            if (!checkText(r.line, r.card, "CUSTOMER", column ? column : option.constData(), columnCaption(f), *t, options)) {
                ok = false;
                break;
            }
        }
        if (ok) {
            QString keyCopy = key;
            ok = checkText(r.line, r.card, "CUSTOMER", "CUST_TEL_NON", QStringLiteral("代表番号"), keyCopy, {});
        }
        if (!ok) {
            // The row's warnings before its refusal say nothing more.
            while (FPlan.notes.size() > notesBefore + 1)
                FPlan.notes.removeAt(notesBefore);
            ++FPlan.refused;
            continue;
        }
        claimed.insert(key, r.line);
        PlannedRow row;
        row.line = r.line;
        row.cust = std::move(r.cust);
        row.cust.CustTelNon = key;
        if (stored.contains(key)) {
            TCust existing;
            if (options.onDuplicate == OnDuplicate::Skip || !FDm.GetCustData(key, existing)) {
                row.action = PlannedRow::Duplicate;
                ++FPlan.duplicates;
            } else {
                row.cust = merged(existing, row.cust, r.provided, options.onDuplicate);
                row.cust.CustNo = existing.CustNo;
                row.action = sameCustomer(row.cust, existing) ? PlannedRow::Unchanged : PlannedRow::Update;
                ++(row.action == PlannedRow::Unchanged ? FPlan.unchanged : FPlan.updated);
            }
        } else {
            ++FPlan.newCount;
        }
        // Further numbers of a card: phone-book entries of this customer.
        if (row.action == PlannedRow::New || row.action == PlannedRow::Update)
            for (const QString& n : r.extraNumbers) {
                TTels t{PhoneNumberForm::Typed(n), key, row.cust.CustName, row.cust.CustKana};
                QString telNo = t.TelNo;
                if (!telNo.isEmpty() && telNo != key && !claimed.contains(telNo) &&
                    checkText(r.line, r.card, "TELS", "TEL_NO", QStringLiteral("電話番号"), telNo, {}) &&
                    checkText(r.line, r.card, "TELS", "CALLER", QStringLiteral("名前"), t.Caller, options) &&
                    checkText(r.line, r.card, "TELS", "READ_NAME", QStringLiteral("音声読上名"), t.ReadName, options)) {
                    claimed.insert(telNo, r.line);
                    row.extraTels << t;
                }
            }
        FPlan.rows << row;
    }
}

void ImportPlanner::planPhoneBook(const ImportOptions& options, const ImportMapping& mapping)
{
    const bool own = FPlan.layout == ImportPlan::Layout::OwnPhoneBook;
    QSet<QString> stored;
    {
        FbQuery q(FDm.IBDatabase1);
        q.setSql(QStringLiteral("select TEL_NO from TELS"));
        for (q.open(); !q.eof(); q.next())
            stored.insert(q.field(0).asString());
        q.release();
    }
    QHash<QString, int> claimed;
    for (const ImportSource::CsvRecord& r : FTable.records) {
        auto refuse = [&](const QString& reason) {
            note(r.line, false, true, reason);
            ++FPlan.refused;
        };
        if (!r.problem.isEmpty()) {
            refuse(r.problem);
            continue;
        }
        if (r.fields.size() > mapping.fields.size()) {
            refuse(QStringLiteral("列の数（%1）が見出し（%2）より多くなっています").arg(r.fields.size()).arg(mapping.fields.size()));
            continue;
        }
        TTels t;
        QSet<ImportField> provided;
        for (qsizetype i = 0; i < mapping.fields.size(); ++i) {
            const ImportField f = mapping.fields.at(i);
            const QString v = own ? r.fields.value(i) : r.fields.value(i).trimmed();
            provided.insert(f);
            if (f == ImportField::TelNo || f == ImportField::Tel)
                t.TelNo = own ? v : PhoneNumberForm::Typed(v);
            else if (f == ImportField::CustKey)
                t.CustTelNon = own ? v : PhoneNumberForm::Typed(v);
            else if (f == ImportField::Caller || f == ImportField::Name)
                t.Caller = v;
            else if (f == ImportField::ReadName || f == ImportField::Kana)
                t.ReadName = v;
        }
        if (t.TelNo.trimmed().isEmpty()) {
            refuse(QStringLiteral("電話番号がありません"));
            continue;
        }
        if (claimed.contains(t.TelNo)) {
            refuse(QStringLiteral("%1 行目と同じ番号です（%2）").arg(claimed.value(t.TelNo)).arg(t.TelNo));
            continue;
        }
        const qsizetype notesBefore = FPlan.notes.size();
        if (!checkText(r.line, false, "TELS", "TEL_NO", QStringLiteral("電話番号"), t.TelNo, {}) ||
            !checkText(r.line, false, "TELS", "CUST_TEL_NON", QStringLiteral("代表電話番号"), t.CustTelNon, options) ||
            !checkText(r.line, false, "TELS", "CALLER", QStringLiteral("名前"), t.Caller, options) ||
            !checkText(r.line, false, "TELS", "READ_NAME", QStringLiteral("音声読上名"), t.ReadName, options)) {
            while (FPlan.notes.size() > notesBefore + 1)
                FPlan.notes.removeAt(notesBefore);
            ++FPlan.refused;
            continue;
        }
        claimed.insert(t.TelNo, r.line);
        PlannedRow row;
        row.line = r.line;
        row.tels = t;
        if (stored.contains(t.TelNo)) {
            TTels existing;
            if (options.onDuplicate == OnDuplicate::Skip || !FDm.GetTels(t.TelNo, existing)) {
                row.action = PlannedRow::Duplicate;
                ++FPlan.duplicates;
            } else {
                TTels m = existing;
                const bool replace = options.onDuplicate == OnDuplicate::Replace;
                auto take = [&](QString& to, const QString& from) {
                    if (replace || to.isEmpty())
                        to = from;
                };
                take(m.CustTelNon, t.CustTelNon);
                take(m.Caller, t.Caller);
                take(m.ReadName, t.ReadName);
                row.tels = m;
                const bool same = m.CustTelNon == existing.CustTelNon && m.Caller == existing.Caller &&
                                  m.ReadName == existing.ReadName;
                row.action = same ? PlannedRow::Unchanged : PlannedRow::Update;
                ++(same ? FPlan.unchanged : FPlan.updated);
            }
        } else {
            ++FPlan.newCount;
        }
        FPlan.rows << row;
    }
}

const ImportPlan& ImportPlanner::Plan(const ImportOptions& options, const ImportMapping& mapping)
{
    const ImportPlan::Layout layout = FPlan.layout;
    const QString encoding = FPlan.encoding;
    FPlan.rows.clear();
    FPlan.notes.clear();
    FPlan.newCount = FPlan.updated = FPlan.unchanged = FPlan.duplicates = FPlan.refused = 0;
    FPlan.layout = layout;
    FPlan.encoding = encoding;
    FPlan.problem = FFileProblem;
    if (!FFileProblem.isEmpty())
        return FPlan;
    loadLookups();

    ImportMapping m = mapping;
    if (layout == ImportPlan::Layout::OwnCustomers) {
        m.fields = {ImportField::Name,   ImportField::Kana,    ImportField::BirthDate, ImportField::Sex,
                    ImportField::Tel,    ImportField::Fax,     ImportField::Zip,       ImportField::Address,
                    ImportField::MapUrl, ImportField::Email,   ImportField::HpUrl,     ImportField::User,
                    ImportField::Others};
        for (qsizetype i = m.fields.size(); i < FTable.header.size(); ++i) {
            const int id = FOptionByCaption.value(FTable.header.at(i), 0);
            if (id == 0)
                note(FTable.headerLine, false, false,
                     QStringLiteral("列「%1」に当たる補足項目がないため取り込みません").arg(FTable.header.at(i)));
            m.fields << (id ? ImportField(int(ImportField::Option1) + id - 1) : ImportField::None);
        }
    } else if (layout == ImportPlan::Layout::OwnPhoneBook) {
        m.fields = {ImportField::TelNo, ImportField::CustKey, ImportField::Caller, ImportField::ReadName};
    } else if (layout == ImportPlan::Layout::Mapped) {
        while (m.fields.size() < FTable.header.size())
            m.fields << ImportField::None;
        if (m.isEmpty()) {
            FPlan.problem = QStringLiteral("取り込む列が選ばれていません。");
            return FPlan;
        }
    }

    if (options.target == ImportTarget::PhoneBook) {
        planPhoneBook(options, m);
        return FPlan;
    }
    if (layout == ImportPlan::Layout::VCard)
        planCustomers(options, int(FCards.size()), [&](int i) { return fromCard(FCards.at(i), options); });
    else
        planCustomers(options, int(FTable.records.size()),
                      [&](int i) { return fromRecord(FTable.records.at(i), m, options); });
    return FPlan;
}

QString ImportWriter::NoBackupFolderMessage()
{
    return QStringLiteral("バックアップ先のフォルダが設定されていないため、取り込めません。設定画面でバックアップ先を指定してください。");
}

ImportWriter::Outcome ImportWriter::Write(const ImportPlan& plan, ImportTarget target)
{
    FWritten = 0;
    FFailure.clear();
    FCopy.clear();
    int total = 0;
    for (const PlannedRow& r : plan.rows)
        if (r.action == PlannedRow::New || r.action == PlannedRow::Update)
            ++total;
    if (!plan.problem.isEmpty() || total == 0)
        return Nothing;

    // The copy comes first: with it, whatever happens next can be undone by a restore.
    if (FFolder.isEmpty()) {
        FFailure = NoBackupFolderMessage();
        return BackupFailed;
    }
    {
        BackupJob job(FDm, FDbPath, FFolder, FKeep);
        if (!job.Start()) {
            FFailure = job.Failure();
            return BackupFailed;
        }
        job.Wait();
        if (!job.Succeeded()) {
            FFailure = job.Failure();
            return BackupFailed;
        }
        FCopy = job.CopyPath();
        WriteLog(QStringLiteral("ImportWriter.Write backup=") + FCopy);
    }

    QElapsedTimer clock;
    clock.start();
    try {
        FbWriteScope scope(FDm.IBDatabase1);
        for (const PlannedRow& r : plan.rows) {
            if (r.action != PlannedRow::New && r.action != PlannedRow::Update)
                continue;
            if (target == ImportTarget::PhoneBook) {
                if (r.action == PlannedRow::New)
                    FDm.InsertTels(r.tels);
                else
                    FDm.UpdateTels(r.tels);
            } else {
                if (r.action == PlannedRow::New)
                    FDm.InsertCustData(r.cust);
                else
                    FDm.UpdateCustData(r.cust);
                for (const TTels& t : r.extraTels) {
                    TTels existing;
                    if (FDm.GetTels(t.TelNo, existing))
                        FDm.UpdateTels(t);
                    else
                        FDm.InsertTels(t);
                }
            }
            ++FWritten;
            if (FProgress && (FWritten % 100 == 0 || FWritten == total)) {
                const qint64 ms = clock.elapsed();
                if (!FProgress(FWritten, total, ms > 0 ? FWritten * 1000.0 / double(ms) : 0.0)) {
                    WriteLog(QStringLiteral("ImportWriter.Write stopped at %1 of %2; nothing kept").arg(FWritten).arg(total));
                    FWritten = 0;
                    return Stopped;
                }
            }
        }
        // Other PCs on a server reload their lists on the usual event.
        FDm.ExecSql(QStringLiteral("EXECUTE BLOCK AS BEGIN POST_EVENT '%1'; END").arg(QLatin1String(kLogInsertedEvent)));
        scope.commit();
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("ImportWriter.Write failed: ") + e.message());
        FFailure = e.message();
        FWritten = 0;
        return Failed;
    }
    WriteLog(QStringLiteral("ImportWriter.Write rows=%1").arg(FWritten));
    // Many rows came at once: the optimizer's figures are refreshed at the next start.
    if (FWritten > 0)
        IndexStatistics::MarkStale(FDm);
    return Done;
}
