#pragma once

#include <QString>

// The export dialog's last choices, kept per user between runs: the file last chosen for
// each of the four exports, and whether line breaks are removed from text fields.
struct TExportPrefs
{
    QString ExpPath;     // call log
    QString ExpTaiPath;  // responses
    QString ExpCustPath; // customers
    QString ExpTelsPath; // phone book
    bool DelCrlfTel = true;
    bool DelCrlfTai = true;
    bool DelCrlfCust = true;
};

extern TExportPrefs gExportPrefs;
