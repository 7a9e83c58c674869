#pragma once

#include "db/TAccept.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

// The rules of one response on its tab: the caption, what the inputs become when stored,
// and the length check the database would otherwise fail on.
namespace AcceptRules {

// Label of 15 Shift-JIS positions ("No." and the number, or " 新 規" for -1) and the mode
// letter "B" (browse) or "E" (edit).
QString TabCaption(int actNo, bool browse);
// The label part of a caption (the mode letter dropped).
QString CaptionLabel(const QString& caption);

// Index of an identifier in a choice list, -1 when it is not there (deleted or expired).
int IndexOfId(const QStringList& ids, const QString& id);
// Identifier chosen at index; empty for the leading empty entry, no selection or a bad index.
QString IdAt(const QStringList& ids, int index);

// A whole decimal number (a response or call number as held in grids and fields).
std::optional<int> WholeNumber(const QString& text);
// The call number a new response stores: the number when the text is one, else empty.
QString LogNoForSave(const QString& logNo);

// What the frame's inputs hold when saved.
struct Input
{
    int ActNo = -1;
    QString CustNo;
    QDate Date;
    QTime Time;
    int TypeIndex = -1;
    int ResultIndex = -1;
    int UserIndex = -1;
    QString Title;
    QString Content;
    QString LogNo; // as opened; only a new response stores it
};
TAccept ToAccept(const Input& in, const QStringList& typeIds, const QStringList& resultIds, const QStringList& userIds);

// Widths of the subject and content columns in bytes (the database's own, else the schema's).
int TitleWidth();
int ContentWidth();
// The warning for a subject or content longer than its column, empty when both fit.
QString LengthProblem(const QString& title, const QString& content);

} // namespace AcceptRules
