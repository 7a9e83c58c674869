#include "db/NumberUnifier.h"

#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/PhoneNumberForm.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"

#include <QHash>
#include <QMap>
#include <QSet>

namespace {
const QString kArrow = QStringLiteral(" → ");

QString shown(const QString& number)
{
    return number.trimmed().isEmpty() ? QStringLiteral("(空白)") : number;
}
} // namespace

int NumberUnifier::Plan::Changes() const
{
    int n = int(Tels.size() + Log.size());
    for (const CustChange& c : Customers)
        n += c.Skipped ? 0 : 1;
    return n;
}

int NumberUnifier::Plan::LeftAlone() const
{
    int n = int(Collisions.size());
    for (const CustChange& c : Customers)
        n += c.Skipped ? 1 : 0;
    return n;
}

QStringList NumberUnifier::Plan::Describe() const
{
    QStringList lines;
    for (const TelsChange& t : Tels) {
        if (t.Removed)
            lines << QStringLiteral("電話帳: ") + shown(t.TelNo) + QStringLiteral("（") + t.Caller +
                         QStringLiteral("）は ") + t.NewTelNo + QStringLiteral(" の ") + t.WinnerCaller +
                         QStringLiteral("（") + shown(t.Winner) + QStringLiteral("）と重なるため削除します");
        else if (t.NewTelNo != t.TelNo)
            lines << QStringLiteral("電話帳: ") + shown(t.TelNo) + kArrow + t.NewTelNo + QStringLiteral("（") +
                         t.Caller + QStringLiteral("）");
        else
            lines << QStringLiteral("電話帳: ") + shown(t.TelNo) + QStringLiteral("（") + t.Caller +
                         QStringLiteral("）の代表電話番号 ") + shown(t.CustTelNon) + kArrow + t.NewCustTelNon;
    }
    for (const CustChange& c : Customers)
        if (!c.Skipped)
            lines << QStringLiteral("顧客: 管理番号 %1 ").arg(c.CustNo) + c.CustName + QStringLiteral(" ") +
                         c.CustTelNon + kArrow + c.NewCustTelNon;
    for (const LogChange& l : Log)
        lines << QStringLiteral("通話履歴: ") + l.TelNo + kArrow + l.NewTelNo + QStringLiteral("（%1 件）").arg(l.Rows);
    for (const CustChange& c : Customers)
        if (c.Skipped)
            lines << QStringLiteral("変更しません: 顧客 管理番号 %1 ").arg(c.CustNo) + c.CustName +
                         QStringLiteral(" ") + c.CustTelNon + kArrow + c.NewCustTelNon +
                         QStringLiteral(" は 管理番号 %1 ").arg(c.OtherCustNo) + c.OtherName +
                         QStringLiteral(" と重なります（顧客情報で番号を直してください）");
    for (const TelsCollision& c : Collisions)
        lines << QStringLiteral("変更しません: ") + c.Members.join(QStringLiteral("、")) + QStringLiteral(" は ") +
                     c.NewTelNo + QStringLiteral(" で重なりますが別の発信者です（電話帳で番号を直してください）");
    return lines;
}

NumberUnifier::NumberUnifier(FbDatabase& db, const QString& countryCode, const QString& unknownName)
    : FDb(db), FCountryCode(countryCode), FUnknownName(unknownName)
{
}

QString NumberUnifier::National(const QString& number) const
{
    return PhoneNumberForm::National(number, FCountryCode);
}

NumberUnifier::Plan NumberUnifier::Survey()
{
    Plan plan;
    FbQuery q(FDb);

    // Customers first: the phone book's links follow their new numbers.
    struct Cust
    {
        int No;
        QString Name, Key, NewKey;
    };
    QList<Cust> custs;
    q.setSql(QStringLiteral("select CUST_NO, CUST_NAME, CUST_TEL_NON from CUSTOMER order by CUST_NO"));
    for (q.open(); !q.eof(); q.next()) {
        const QString key = q.fieldByName(QStringLiteral("CUST_TEL_NON")).asString();
        custs << Cust{q.fieldByName(QStringLiteral("CUST_NO")).asInteger(),
                      q.fieldByName(QStringLiteral("CUST_NAME")).asString(), key, National(key)};
    }
    q.close();
    QMap<QString, QList<int>> byNewKey; // national form -> indexes into custs
    for (int i = 0; i < custs.size(); ++i)
        byNewKey[custs.at(i).NewKey] << i;
    QHash<QString, QString> custKeyAfter; // every customer key as stored -> after the change
    for (int i = 0; i < custs.size(); ++i) {
        const Cust& c = custs.at(i);
        custKeyAfter.insert(c.Key, c.Key);
        if (c.NewKey == c.Key)
            continue;
        CustChange change{c.No, c.Name, c.Key, c.NewKey, false, 0, QString()};
        for (int j : byNewKey.value(c.NewKey)) {
            if (j == i)
                continue;
            change.Skipped = true;
            change.OtherCustNo = custs.at(j).No;
            change.OtherName = custs.at(j).Name;
            break;
        }
        if (!change.Skipped)
            custKeyAfter.insert(c.Key, c.NewKey);
        plan.Customers << change;
    }

    QHash<QString, int> custByKeyAfter; // customer key after the change -> index into custs
    for (int i = 0; i < custs.size(); ++i)
        custByKeyAfter.insert(custKeyAfter.value(custs.at(i).Key), i);

    struct Entry
    {
        QString TelNo, CustTelNon, Caller, NewTelNo, NewCustTelNon;
        int Cust = -1; // index into custs of the customer it links to after the change
    };
    QMap<QString, QList<Entry>> groups; // national form -> entries
    q.setSql(QStringLiteral("select TEL_NO, CUST_TEL_NON, CALLER from TELS order by TEL_NO"));
    for (q.open(); !q.eof(); q.next()) {
        Entry e;
        e.TelNo = q.fieldByName(QStringLiteral("TEL_NO")).asString();
        e.CustTelNon = q.fieldByName(QStringLiteral("CUST_TEL_NON")).asString();
        e.Caller = q.fieldByName(QStringLiteral("CALLER")).asString();
        e.NewTelNo = National(e.TelNo);
        if (custKeyAfter.contains(e.CustTelNon))
            e.NewCustTelNon = custKeyAfter.value(e.CustTelNon);
        else if (e.CustTelNon == e.TelNo)
            e.NewCustTelNon = e.NewTelNo; // a number first seen on a call is its own key
        else
            e.NewCustTelNon = National(e.CustTelNon);
        e.Cust = custByKeyAfter.value(e.NewCustTelNon, -1);
        groups[e.NewTelNo] << e;
    }
    q.close();
    auto realName = [this](const QString& name) { return !name.trimmed().isEmpty() && name != FUnknownName; };
    QSet<QString> collided; // national forms whose entries stay as they are
    for (auto g = groups.cbegin(); g != groups.cend(); ++g) {
        const QList<Entry>& group = g.value();
        // The callers that meet here: each entry, and the customer whose number this is when
        // no entry links to it yet (an entry moving here would take its calls).
        QSet<QString> names;
        QSet<int> customers;
        QStringList members;
        for (const Entry& e : group) {
            if (realName(e.Caller))
                names.insert(e.Caller.trimmed());
            if (e.Cust >= 0)
                customers.insert(e.Cust);
            members << shown(e.TelNo) + QStringLiteral("（") + e.Caller + QStringLiteral("）");
        }
        const int owner = custByKeyAfter.value(g.key(), -1);
        const bool ownerApart = owner >= 0 && !customers.contains(owner);
        if (ownerApart) {
            customers.insert(owner);
            if (realName(custs.at(owner).Name))
                names.insert(custs.at(owner).Name.trimmed());
            members << QStringLiteral("顧客 管理番号 %1 ").arg(custs.at(owner).No) + custs.at(owner).Name;
        }
        const bool moves = group.size() > 1 || group.first().NewTelNo != group.first().TelNo;
        if (moves && group.size() + (ownerApart ? 1 : 0) > 1 && (names.size() > 1 || customers.size() > 1)) {
            collided.insert(g.key());
            plan.Collisions << TelsCollision{g.key(), members};
            // Numbers stay; a link follows its customer's new number.
            for (const Entry& e : group) {
                const QString link = custKeyAfter.value(e.CustTelNon, e.CustTelNon);
                if (link != e.CustTelNon)
                    plan.Tels << TelsChange{e.TelNo,  e.TelNo, e.CustTelNon, link,
                                            e.Caller, false,   QString(),    QString()};
            }
            continue;
        }
        int winner = 0;
        for (int i = 1; i < group.size(); ++i) {
            const Entry& a = group.at(i);
            const Entry& w = group.at(winner);
            if (realName(a.Caller) != realName(w.Caller)) {
                if (realName(a.Caller))
                    winner = i;
            } else if (a.TelNo == a.NewTelNo && w.TelNo != w.NewTelNo) {
                winner = i;
            }
        }
        Entry w = group.at(winner);
        // The one customer among them keeps every call of the group.
        if (customers.size() == 1 && w.Cust < 0)
            w.NewCustTelNon = custKeyAfter.value(custs.at(*customers.cbegin()).Key);
        for (int i = 0; i < group.size(); ++i) {
            const Entry& e = i == winner ? w : group.at(i);
            if (i != winner)
                plan.Tels << TelsChange{e.TelNo,  e.NewTelNo, e.CustTelNon, e.NewCustTelNon,
                                        e.Caller, true,       w.TelNo,      w.Caller};
            else if (e.NewTelNo != e.TelNo || e.NewCustTelNon != e.CustTelNon)
                plan.Tels << TelsChange{e.TelNo,  e.NewTelNo, e.CustTelNon, e.NewCustTelNon,
                                        e.Caller, false,      QString(),    QString()};
        }
    }

    q.setSql(QStringLiteral("select TEL_NO, count(*) as N from LOG group by TEL_NO"));
    for (q.open(); !q.eof(); q.next()) {
        const QString telNo = q.fieldByName(QStringLiteral("TEL_NO")).asString();
        const QString national = National(telNo);
        // The calls of entries left apart stay with them.
        if (national != telNo && !collided.contains(national))
            plan.Log << LogChange{telNo, national, q.fieldByName(QStringLiteral("N")).asInteger()};
    }
    q.close();
    return plan;
}

QStringList NumberUnifier::Statements(const Plan& plan)
{
    QStringList sql;
    // Entries that give way go first, so the winner can take their number.
    for (const TelsChange& t : plan.Tels)
        if (t.Removed)
            sql << QStringLiteral("delete from TELS where TEL_NO = ") + QuotedSql(t.TelNo);
    for (const TelsChange& t : plan.Tels)
        if (!t.Removed)
            sql << QStringLiteral("update TELS set TEL_NO = ") + QuotedSql(t.NewTelNo) +
                       QStringLiteral(", CUST_TEL_NON = ") + QuotedSql(t.NewCustTelNon) +
                       QStringLiteral(", UPDT = CURRENT_TIMESTAMP where TEL_NO = ") + QuotedSql(t.TelNo);
    for (const LogChange& l : plan.Log)
        sql << QStringLiteral("update LOG set TEL_NO = ") + QuotedSql(l.NewTelNo) + QStringLiteral(" where TEL_NO = ") +
                   QuotedSql(l.TelNo);
    for (const CustChange& c : plan.Customers)
        if (!c.Skipped)
            sql << QStringLiteral("update CUSTOMER set CUST_TEL_NON = ") + QuotedSql(c.NewCustTelNon) +
                       QStringLiteral(", UPDT = CURRENT_TIMESTAMP where CUST_NO = ") + QString::number(c.CustNo);
    return sql;
}

void NumberUnifier::Apply(const Plan& plan)
{
    const QStringList sql = Statements(plan);
    if (sql.isEmpty())
        return;
    for (const QString& s : sql)
        WriteTraceLog(QStringLiteral("strSql=") + s);
    FDb.executeInOneTransaction(sql);
    WriteLog(QStringLiteral("Numbers unified: %1 statements in one transaction").arg(sql.size()));
}
