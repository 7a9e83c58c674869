#include "devices/TTelComList.h"

#include "core/AppError.h"
#include "devices/TTelCom.h"

#include <algorithm>

int TTelComList::Add(TTelCom* item)
{
    FItems.append(item);
    return int(FItems.size()) - 1;
}

void TTelComList::Check(int index) const
{
    if (index < 0 || index >= FItems.size())
        throw AppError(QStringLiteral("インデックスがリストの範囲を超えています"));
}

void TTelComList::Delete(int index)
{
    Check(index);
    FItems.removeAt(index);
}

TTelCom* TTelComList::Items(int index) const
{
    Check(index);
    return FItems.at(index);
}

int TTelComList::IndexOf(const TTelCom* item) const
{
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems.at(i) == item)
            return i;
    return -1;
}

void TTelComList::SortByPortNo()
{
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const TTelCom* a, const TTelCom* b) { return a->PortNo() < b->PortNo(); });
}
