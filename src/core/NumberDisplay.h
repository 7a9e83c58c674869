#pragma once

#include <QString>

// What a caller's number is, as far as the numbering plan tells: the kind shown beside an
// unknown caller.
enum class NumberKind {
    Withheld,      // no number: the caller withheld it
    Mobile,        // 携帯 (also pagers and personal numbers, 020/060)
    FixedLine,     // 固定
    IpPhone,       // IP電話 (050)
    FreeDial,      // フリーダイヤル (0120, 0800)
    NaviDial,      // ナビダイヤル (0570)
    International, // 国際: a number of another country
    Unknown,       // 不明な番号: short codes, service numbers, junk, numbers no plan knows
};

// What the numbering plan says about one number, worked out in one parse.
struct NumberFacts
{
    NumberKind Kind = NumberKind::Unknown;
    // Written as people write it: "03-1234-5678", "0120-123-456", "+1 212-555-1234"; a number
    // the plan does not know stays as it came.
    QString Grouped;
    // For a landline, where it is ("大阪"); empty otherwise or when the data does not say.
    QString Area;
};

// Numbers as the screens and printed reports show them. Stored keys, searches, exports and
// what goes to the phone keep the national form (PhoneNumberForm); only views come here.
// Works on national forms of the country set as COUNTRY_CODE; a "+" form or one dialled with
// the international prefix is a number of another country.
class NumberDisplay
{
public:
    // The national form as a view shows it: grouped when NUMBER_DISPLAY is on, else unchanged.
    static QString Show(const QString& national);
    // Always grouped, whatever the setting.
    static QString Grouped(const QString& national);
    // Kind, grouping and, for a landline, the area. The area data is loaded on first use.
    static NumberFacts Facts(const QString& national);
    // 携帯, 固定, IP電話, フリーダイヤル, ナビダイヤル, 国際, 不明な番号, 非通知.
    static QString KindText(NumberKind kind);
    // A number of another country: the international cue.
    static bool IsInternational(const QString& national);
};
