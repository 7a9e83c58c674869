#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class TdmCmn;

// In-memory copies of the response types and results, the users valid today and the
// customer option fields, read by every customer frame, response frame and the response
// search instead of querying the database. Owned by the main window and rebuilt in place, so a
// reader holding a reference always sees the lists of the last rebuild. Every identifier/name
// pair is parallel and begins with one empty entry: entry i of a name list means entry i of
// its identifier list.
class MasterLists
{
public:
    // A choice field's values (option kind "m").
    struct ChoicePair
    {
        QStringList Ids;
        QStringList Names;
    };

    explicit MasterLists(TdmCmn& dm) : FDm(dm) {}

    // The lists of the process; the main window sets it, tests may set their own.
    static MasterLists* Current();
    static void SetCurrent(MasterLists* lists);

    void MakeAll();
    void MakeActTypeTemp();
    void MakeActResultTemp();
    // Users not deleted and valid on Clock::today().
    void MakeUserTemp();
    void MakeCustOptionTemp();
    void MakeCustOptionDataTemp();

    QStringList TypeIds, TypeNames;
    QStringList ResultIds, ResultNames;
    QStringList UserIds, UserNames;
    // Exactly ten entries each: option numbers 1-10 and 11-20; empty where no active option.
    QStringList OptionNames1, OptionNames2;
    // Exactly twenty entries: FIELD_TYPE of option n at n-1, empty where no active option.
    QStringList OptionTypes;

    // DESP_NAME and FIELD_TYPE of option n (1-20).
    QString OptionName(int n) const;
    QString OptionType(int n) const;
    // The choice pair of option n (1-20), or nullptr when it was never a choice field.
    const ChoicePair* Choices(int n) const;

private:
    TdmCmn& FDm;
    std::array<std::unique_ptr<ChoicePair>, 20> FChoices;
};
