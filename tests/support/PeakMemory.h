#pragma once

#include <QByteArray>
#include <QFile>

// The growth of this process's peak resident size from the moment it was made. Tests that
// measure memory this way register with MEASURES_MEMORY, so that a sanitizer build reuses
// freed memory at once instead of holding it in quarantine.
class PeakMemory
{
public:
    PeakMemory()
    {
        // Writing 5 resets the peak to the present size, where the kernel allows it.
        QFile refs(QStringLiteral("/proc/self/clear_refs"));
        FReset = refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
        refs.close();
        FBefore = Kb("VmRSS:");
    }

    // False where the peak cannot be reset: QSKIP or leave the memory check out then.
    bool measurable() const { return FReset; }
    qint64 grownKb() const { return Kb("VmHWM:") - FBefore; }

private:
    static qint64 Kb(const char* key)
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith(key))
                return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
        return 0;
    }

    bool FReset = false;
    qint64 FBefore = 0;
};
