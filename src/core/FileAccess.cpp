#include "core/FileAccess.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

bool Open(QFileDevice& file, QIODevice::OpenMode mode)
{
    const bool existed = QFileInfo::exists(file.fileName());
    if (!file.open(mode))
        return false;
    Restrict(file, !existed);
    return true;
}

void Restrict(QFileDevice& file, bool created)
{
    const int fd = file.handle();
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return; // a device (a log sent to /dev/null) is not ours to change
    const mode_t wanted = created ? 0660 : st.st_mode & 0770;
    struct stat dir;
    const QByteArray folder = QFile::encodeName(QFileInfo(file.fileName()).absolutePath());
    if (::stat(folder.constData(), &dir) == 0 && dir.st_gid != st.st_gid)
        (void)!::fchown(fd, uid_t(-1), dir.st_gid); // not a member of that group: keep ours
    if ((st.st_mode & 07777) != wanted)
        (void)!::fchmod(fd, wanted);
}

} // namespace FileAccess
