#pragma once

#include "db/TTels.h"

#include <QString>

class TdmCmn;

// The rules of the phone book dialog: which buttons work in which mode, when to offer a
// customer for a new entry, and storing and deleting one entry.
class TelsBook
{
public:
    enum class Mode { Browse, Edit, Add };
    struct Buttons
    {
        bool TelNo, Others, Add, Edit, Delete, Search, OkCancel, Close;
    };
    static Buttons ButtonsFor(Mode mode, const TTels& shown);

    explicit TelsBook(TdmCmn& dm) : FDm(dm) {}

    // The entry as stored: numbers without hyphens, names as typed.
    static TTels Normalised(const TTels& typed);
    // A new customer is offered for an entry that stands for itself, is not the unknown
    // caller and whose number no customer has.
    bool OffersCustomer(const TTels& entry);
    // Creates the customer of an entry: its number as both numbers, its name.
    int InsertCustomer(const TTels& entry);
    // Inserts or overwrites the entry of its number, with its 要注意 flag and note. Refuses an
    // empty number.
    void Store(const TTels& entry);
    void Delete(const QString& telNo);

private:
    TdmCmn& FDm;
};
