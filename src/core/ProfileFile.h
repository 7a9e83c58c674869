#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// A sections-and-keys settings file with the semantics of classic profile files:
// section and key names match without regard to case, a missing key reads as the
// default while a key with nothing after "=" reads as the empty text, every write goes
// straight to the file, and lines we do not understand are kept as they are.
// Written as UTF-8; a legacy file whose bytes are not UTF-8 is read as CP932.
class ProfileFile
{
public:
    explicit ProfileFile(QString path);

    const QString& path() const { return FPath; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Decimal integer; the default when the key is missing or does not hold an integer.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Writes and returns whether the file could be written.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);

    bool KeyExists(const QString& section, const QString& key) const;
    // The names of the keys of a section, as written, in file order.
    QStringList Keys(const QString& section) const;
    // The raw text of a key, or a null QString when the key is missing.
    QString Value(const QString& section, const QString& key) const;

    // Parses decimal text the way every integer setting is read (blanks around it allowed).
    static bool ParseInteger(const QString& text, int* out);

private:
    void reloadIfChanged() const;
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key, QString* value) const;
    bool save();

    QString FPath;
    mutable QStringList FLines;
    mutable QDateTime FLoadedStamp;
    mutable qint64 FLoadedSize = -1;
    mutable bool FLoaded = false;
};
