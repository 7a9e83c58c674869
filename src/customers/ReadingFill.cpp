#include "customers/ReadingFill.h"

#include "customers/KanaReading.h"

QString ReadingFill::Inserted(const QString& oldText, const QString& newText)
{
    int prefix = 0;
    while (prefix < oldText.size() && prefix < newText.size() && oldText.at(prefix) == newText.at(prefix))
        ++prefix;
    int suffix = 0;
    while (suffix < oldText.size() - prefix && suffix < newText.size() - prefix &&
           oldText.at(oldText.size() - 1 - suffix) == newText.at(newText.size() - 1 - suffix))
        ++suffix;
    return newText.mid(prefix, newText.size() - prefix - suffix);
}

QString ReadingFill::NameChanged(const QString& oldName, const QString& newName, const QString& reading)
{
    if (FKanaType == 1 || reading != FLastFilled)
        return reading;
    const QString piece = Inserted(oldName, newName);
    if (piece.isEmpty() || !KanaReading::HasJapanese(piece))
        return reading;
    FLastFilled = reading + KanaReading::ForKanaType(piece, FKanaType);
    return FLastFilled;
}
