#pragma once

#include "db/TCust.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The rules of the customer frame that need no screen: captions, the field check, option
// values, link addresses and pictures.
namespace CustRules {

// Tab caption: the number without hyphens (" 新 規" when empty) padded and cut to 15
// characters, then "B" in browse mode or "E" in edit mode.
QString TabCaption(const QString& number, bool browse);

// What the user entered, as the frame's fields hold it.
struct Input
{
    QString Tel, Fax, Name, Kana, Zip, Address, Email, HpUrl, MapUrl, UserId, Others;
    QDate Birth; // invalid when the picker shows blanks
    int Sex = 0;
    qint32 CustNo = -1;
    std::array<QString, 21> Option; // value to store per option (1..20)
    std::array<bool, 21> OptionUnused{}; // true for a field without an active definition
};
enum class CheckResult { Ok, NoTel, NoName };
CheckResult Check(const Input& in);
QString CheckMessage(CheckResult r);
// The record to store; keys have every "-" removed.
TCust ToCust(const Input& in);

// Stored option value to (shown text, choice identifier) for a field of kind.
struct OptionCell
{
    QString Shown;
    QString Id;
};
OptionCell OptionOnLoad(const QString& kind, const QString& stored, const QStringList& ids,
                        const QStringList& names);
// The value stored for a row: the identifier for kind "m", else the shown text.
QString OptionToStore(const QString& kind, const QString& shown, const QString& id);
// Date and time editors: the value a cell holds read back ("d", "t", "e"), and written.
std::optional<QDateTime> ParseOptionValue(const QString& kind, const QString& text);
QString FormatOptionValue(const QString& kind, const QDateTime& value, bool checked);

// Links.
QString FormEncode(const QString& text);
QString MapSearchUrl(const QString& address);
QString MailUrl(const QString& email);

// A picture as stored: its longer side at most 1024 pixels, aspect kept.
QImage ScaleForStore(const QImage& picture);
constexpr int kMaxPictureSide = 1024;

// Age in whole years on today, -1 without a birth date.
int Age(const QDate& birth, const QDate& today);

// Caption of the reading by KANA_TYPE.
QString KanaCaption(int kanaType);

} // namespace CustRules
