#pragma once

#include <QString>

#include <memory>

class QSettings;

// The per-user store of window state and export choices: ~/.config/ordova/zuvaro3.conf,
// group "Initialize". Numbers and flags are stored as text, as they always were.
class UserRegistry
{
public:
    UserRegistry();
    ~UserRegistry();

    // False when the store cannot be opened or written; callers then keep their values.
    bool IsUsable() const;
    int ReadInteger(const QString& name, int def) const;
    QString ReadString(const QString& name, const QString& def) const;
    bool ReadFlag(const QString& name, bool def) const;
    void WriteInteger(const QString& name, int value);
    void WriteString(const QString& name, const QString& value);
    void WriteFlag(const QString& name, bool value);
    void Sync();

private:
    std::unique_ptr<QSettings> FSettings;
};
