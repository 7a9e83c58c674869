#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Which tables a change touched, so the main window reloads only what depends on them.
struct TUpTable
{
    enum Flag {
        LogTable = 0,     // LOG: call log and the tabs' call history
        TelsTable = 1,    // TELS: as LOG, plus each tab's list of phone numbers
        AcceptTable = 2,  // ACCEPT_T
        UserTable = 3,    // USER_M
        TypeTable = 4,    // ACCEPT_TYPE
        ResultTable = 5,  // ACCEPT_RESULT
        OptionTable = 6,  // OPTION_M
        OptionDTable = 7, // OPTION_D_M
        Reserved = 8
    };
    bool Flags[9] = {false, false, false, false, false, false, false, false, false};
    QString Key;     // CUST_TEL_NON of the one customer tab concerned; empty for all
    int CustNo = -1; // customer tab whose response list is concerned; -1 for all
    int ActNo = -1;  // response tab that customer tab closes after reloading; -1 for none
    // Set when the call log read only the calls added since its last load: the customer
    // tabs whose CUST_TEL_NON those calls carry are the only ones their calls concern (none
    // when empty). Unset: every tab, or Key's.
    std::optional<QStringList> NewCallKeys;

    static TUpTable With(std::initializer_list<Flag> flags, const QString& key = QString())
    {
        TUpTable t;
        for (Flag f : flags)
            t.Flags[f] = true;
        t.Key = key;
        return t;
    }
    static TUpTable All()
    {
        TUpTable t;
        for (bool& f : t.Flags)
            f = true;
        return t;
    }
};
