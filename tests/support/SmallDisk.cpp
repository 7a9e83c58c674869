#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

SmallDisk::SmallDisk(const QString& folder, int kilobytes) : FFolder(folder)
{
    if (geteuid() != 0 || !QDir().mkpath(folder))
        return;
    FMounted = QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                           QStringLiteral("-o"), QStringLiteral("size=%1k").arg(kilobytes),
                                                           QStringLiteral("tmpfs"), folder}) == 0;
}

SmallDisk::~SmallDisk()
{
    if (FMounted)
        QProcess::execute(QStringLiteral("umount"), {FFolder});
}

void SmallDisk::fill()
{
    QFile filler(FFolder + QStringLiteral("/.filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return;
    const QByteArray block(1024, 'x');
    while (filler.write(block) == block.size()) {
    }
    const QByteArray byte(1, 'x');
    while (filler.write(byte) == 1) {
    }
}

void SmallDisk::release()
{
    QFile::remove(FFolder + QStringLiteral("/.filler"));
}
