#pragma once

#include <QtGlobal>

#include <vector>

// Which customer tabs the main window may reuse or close by itself. A tab opened by a call
// and never typed into costs memory and time on every later call; one holding typed input
// is the user's and is never given up here.
namespace CustTabRules {

struct Tab
{
    int Index = 0;
    // Order of the last opening; the smallest is the oldest.
    quint64 Opened = 0;
    // A new customer nobody has saved yet.
    bool NewCustomer = false;
    // Nothing typed or chosen since the program filled it.
    bool Untouched = false;
};

// The untouched new-customer tab that a further new customer may take over, -1 when none.
int Reusable(const std::vector<Tab>& tabs, int except);

// Page indexes to close, highest first, so that at most limit tabs stay: the oldest untouched
// first, never keep nor a touched one (so more than limit stay when the rest hold input).
std::vector<int> ToClose(const std::vector<Tab>& tabs, int limit, int keep);

} // namespace CustTabRules
