#pragma once

#include <QList>

class TTelCom;

// The process-wide list of device objects. It refers to them and owns none: the main
// window owns the objects.
class TTelComList
{
public:
    int Add(TTelCom* item);
    void Delete(int index);
    // Throws AppError for an index outside 0..Count-1.
    TTelCom* Items(int index) const;
    int Count() const { return int(FItems.size()); }
    void Clear() { FItems.clear(); }
    int IndexOf(const TTelCom* item) const;
    // Ascending PortNo; devices with equal numbers keep their order.
    void SortByPortNo();

private:
    void Check(int index) const;
    QList<TTelCom*> FItems;
};
