#include "calls/CustTabRules.h"

#include <algorithm>

namespace CustTabRules {

int Reusable(const std::vector<Tab>& tabs, int except)
{
    for (const Tab& t : tabs)
        if (t.Index != except && t.NewCustomer && t.Untouched)
            return t.Index;
    return -1;
}

std::vector<int> ToClose(const std::vector<Tab>& tabs, int limit, int keep)
{
    std::vector<Tab> candidates;
    for (const Tab& t : tabs)
        if (t.Index != keep && t.Untouched)
            candidates.push_back(t);
    std::sort(candidates.begin(), candidates.end(), [](const Tab& a, const Tab& b) { return a.Opened < b.Opened; });
    const int excess = int(tabs.size()) - std::max(1, limit);
    std::vector<int> result;
    for (int i = 0; i < excess && i < int(candidates.size()); ++i)
        result.push_back(candidates[size_t(i)].Index);
    std::sort(result.begin(), result.end(), std::greater<int>());
    return result;
}

} // namespace CustTabRules
