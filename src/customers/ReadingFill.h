#pragma once

#include <QString>

// Fills the reading while the name is typed: each piece of Japanese text committed into the
// name appends its reading. Once the user has changed the reading by hand it is left alone.
class ReadingFill
{
public:
    explicit ReadingFill(int kanaType) : FKanaType(kanaType) {}

    // The name changed from oldName to newName while the reading held reading; returns the
    // reading to show (unchanged when nothing is to be appended).
    QString NameChanged(const QString& oldName, const QString& newName, const QString& reading);
    // The reading was set from the database or cleared: follow it from here.
    void Reset(const QString& reading) { FLastFilled = reading; }
    // The text inserted when old became new (empty for a deletion).
    static QString Inserted(const QString& oldText, const QString& newText);

private:
    int FKanaType;
    QString FLastFilled;
};
