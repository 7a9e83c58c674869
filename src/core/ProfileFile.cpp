#include "core/ProfileFile.h"

#include "core/Cp932.h"
#include "core/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

ProfileFile::ProfileFile(QString path) : FPath(std::move(path)) {}

void ProfileFile::reloadIfChanged() const
{
    QFileInfo info(FPath);
    if (!info.exists()) {
        FLines.clear();
        FLoaded = true;
        FLoadedSize = -1;
        FLoadedStamp = QDateTime();
        return;
    }
    // Another process (a second copy, an editor) may have changed the file since.
    if (FLoaded && info.size() == FLoadedSize && info.lastModified() == FLoadedStamp)
        return;
    QFile f(FPath);
    FLines.clear();
    if (f.open(QIODevice::ReadOnly)) {
        QByteArray bytes = f.readAll();
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(bytes);
        if (utf8.hasError())
            text = Cp932::decode(bytes);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        FLines = text.split(QLatin1Char('\n'));
        if (!FLines.isEmpty() && FLines.last().isEmpty())
            FLines.removeLast();
    }
    FLoaded = true;
    FLoadedSize = info.size();
    FLoadedStamp = info.lastModified();
}

static bool isSectionLine(const QString& line, QString* name)
{
    QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')))
        return false;
    int close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    *name = t.mid(1, close - 1).trimmed();
    return true;
}

int ProfileFile::findSection(const QString& section) const
{
    QString name;
    for (int i = 0; i < FLines.size(); ++i)
        if (isSectionLine(FLines.at(i), &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int ProfileFile::findKey(int sectionLine, const QString& key, QString* value) const
{
    QString name;
    for (int i = sectionLine + 1; i < FLines.size(); ++i) {
        const QString& line = FLines.at(i);
        if (isSectionLine(line, &name))
            break;
        int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || line.trimmed().startsWith(QLatin1Char(';')))
            continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            if (value)
                *value = line.mid(eq + 1).trimmed();
            return i;
        }
    }
    return -1;
}

QStringList ProfileFile::Keys(const QString& section) const
{
    reloadIfChanged();
    QStringList keys;
    const int s = findSection(section);
    if (s < 0)
        return keys;
    QString name;
    for (int i = s + 1; i < FLines.size(); ++i) {
        const QString& line = FLines.at(i);
        if (isSectionLine(line, &name))
            break;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && !line.trimmed().startsWith(QLatin1Char(';')))
            keys << line.left(eq).trimmed();
    }
    return keys;
}

QString ProfileFile::Value(const QString& section, const QString& key) const
{
    reloadIfChanged();
    int s = findSection(section);
    if (s < 0)
        return QString();
    QString value;
    if (findKey(s, key, &value) < 0)
        return QString();
    if (value.isNull())
        value = QLatin1String("");
    return value;
}

bool ProfileFile::KeyExists(const QString& section, const QString& key) const
{
    return !Value(section, key).isNull();
}

QString ProfileFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    QString v = Value(section, key);
    return v.isNull() ? def : v;
}

bool ProfileFile::ParseInteger(const QString& text, int* out)
{
    bool ok = false;
    int v = text.trimmed().toInt(&ok, 10);
    if (ok && out)
        *out = v;
    return ok;
}

int ProfileFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    QString v = Value(section, key);
    int result = def;
    if (!v.isNull() && ParseInteger(v, &result))
        return result;
    return def;
}

bool ProfileFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    reloadIfChanged();
    // A value cannot hold a line break in this format; keep the first line only.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    int s = findSection(section);
    if (s < 0) {
        FLines << QLatin1Char('[') + section + QLatin1Char(']') << key + QLatin1Char('=') + v;
        return save();
    }
    int k = findKey(s, key, nullptr);
    if (k >= 0) {
        const QString& old = FLines.at(k);
        FLines[k] = old.left(old.indexOf(QLatin1Char('='))).trimmed() + QLatin1Char('=') + v;
        return save();
    }
    // New key: after the last key line of the section, before any blank lines.
    int insertAt = s + 1;
    QString name;
    for (int i = s + 1; i < FLines.size(); ++i) {
        if (isSectionLine(FLines.at(i), &name))
            break;
        if (!FLines.at(i).trimmed().isEmpty())
            insertAt = i + 1;
    }
    FLines.insert(insertAt, key + QLatin1Char('=') + v);
    return save();
}

bool ProfileFile::WriteInteger(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool ProfileFile::save()
{
    QSaveFile f(FPath);
    // The new copy takes an existing file's mode; a first one would get the umask's.
    if (!FileAccess::Open(f, QIODevice::WriteOnly))
        return false;
    QByteArray out = FLines.join(QLatin1String("\n")).toUtf8();
    out.append('\n');
    f.write(out);
    if (!f.commit())
        return false;
    QFileInfo info(FPath);
    FLoadedSize = info.size();
    FLoadedStamp = info.lastModified();
    FLoaded = true;
    return true;
}
