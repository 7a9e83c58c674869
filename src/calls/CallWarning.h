#pragma once

#include "core/NumberDisplay.h"

#include <QString>

struct TCallResult;

// What the caller panel, the announcement and the launches make of one incoming call:
// a 要注意 entry, a call from abroad, or what kind of number an unknown caller has.
// The number is parsed at most once, and only when the panel needs it.
struct CallWarning
{
    bool Caution = false;
    bool International = false;
    bool Withheld = false;
    QString CautionNote;
    // Grouped number with its kind and area for a caller the phone book does not name.
    QString Info;

    static CallWarning Of(const TCallResult& call, bool unknownCaller);

    // Said before the announcement: CAUTION_TEXT for a flagged caller, and for a call from
    // abroad when WARN_INTERNATIONAL is on.
    QString SpokenPrefix() const;
    // What the caller panel shows beside the name ("要注意　<note>", "国際電話", the kind).
    QString PanelText() const;
    // The panel's background: red for 要注意, yellow for a call from abroad, else empty.
    QString PanelColour() const;
    // A flagged caller starts the external program and opens the customer tab only when the
    // settings say so.
    bool LaunchExternal() const;
    bool OpenCustomerTab() const;
};
