#pragma once

#include <QString>

// One way of writing every phone number, so a caller is the same number however the phone or
// a person wrote it: the national form.
//
// Blanks (also full-width), hyphens and dashes of every kind, dots and parentheses go;
// full-width digits, "＋", "＃" and "＊" become ASCII. What is left must be digits, "*" and "#"
// with at most a leading "+"; anything else (a withheld caller's empty number, a text with
// letters) comes back exactly as given. Then:
// - "+<country code>" and "00<country code>" become the trunk "0" ("+81 3-1234-5678" ->
//   "0312345678"; "+81 (0)3…" does not double the 0);
// - "+<another country>…" keeps its "+" form;
// - "00<anything else>" keeps its digits: here 00XY also begins domestic carrier and
//   free-dial numbers, which cannot be told apart from an international call;
// - service numbers, short codes and 184/186 prefixes keep their digits.
// The form of a national form is itself.
class PhoneNumberForm
{
public:
    static QString National(const QString& number, const QString& countryCode);

    // National form when the settings switch it on (NUMBER_FORM), else the number unchanged.
    static QString Apply(const QString& number);
    // A number a person typed: hyphens removed as always, then Apply.
    static QString Typed(const QString& number);
};
