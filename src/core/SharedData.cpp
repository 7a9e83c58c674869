#include "core/SharedData.h"

#include "core/AppGlobals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QtEndian>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace SharedData {

namespace {

QString cleanFolder(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

// Gives one entry the group of its folder and the group's read and write (and search, for
// folders) access. Only entries of root or in the engine's lock folder are touched: what a
// shop's user made is theirs.
void handBack(const QByteArray& path, gid_t group, bool anyOwner)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || S_ISLNK(st.st_mode))
        return;
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return;
    if (st.st_uid != 0 && !anyOwner)
        return;
    if (st.st_gid != group)
        (void)!::lchown(path.constData(), uid_t(-1), group);
    const mode_t wanted = S_ISDIR(st.st_mode) ? mode_t(S_ISGID | 0070) : mode_t(0060);
    // Changing the group may clear the set-group-id bit: set the mode from what is there now.
    if (::lstat(path.constData(), &st) == 0 && (st.st_mode & wanted) != wanted)
        (void)!::chmod(path.constData(), (st.st_mode & 07777) | wanted);
}

void handBackTree(const QByteArray& folder, const QByteArray& lockFolder, bool inLockFolder, int depth)
{
    struct stat dirStat;
    if (depth > 16 || ::lstat(folder.constData(), &dirStat) != 0 || !S_ISDIR(dirStat.st_mode))
        return;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    QList<QByteArray> folders;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        const bool lock = inLockFolder || path == lockFolder;
        handBack(path, dirStat.st_gid, lock);
        struct stat st;
        if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            folders << path;
    }
    ::closedir(dir);
    for (const QByteArray& sub : folders)
        handBackTree(sub, lockFolder, inLockFolder || sub == lockFolder, depth + 1);
}

// A POSIX ACL in the kernel's extended-attribute form: the owner, the owning group and the
// others as in mode, and group gid with perm (the mask lets it through).
QByteArray groupAcl(mode_t mode, gid_t gid, quint16 perm)
{
    const quint32 none = quint32(-1);
    const struct
    {
        quint16 tag, perm;
        quint32 id;
    } entries[] = {
        {0x01, quint16((mode >> 6) & 7), none},          // owner
        {0x04, quint16((mode >> 3) & 7), none},          // owning group
        {0x08, perm, quint32(gid)},                      // the data folders' group
        {0x10, quint16(((mode >> 3) & 7) | perm), none}, // mask
        {0x20, quint16(mode & 7), none},                 // others
    };
    QByteArray acl(4, '\0');
    qToLittleEndian<quint32>(2, acl.data());
    for (const auto& e : entries) {
        char entry[8];
        qToLittleEndian<quint16>(e.tag, entry);
        qToLittleEndian<quint16>(e.perm, entry + 2);
        qToLittleEndian<quint32>(e.id, entry + 4);
        acl.append(entry, 8);
    }
    return acl;
}

// Run as root, the engine gives every lock file it creates or opens to its own account and
// group, so members of the folder's group could not open them until the run ends. An ACL
// entry for the folder's group survives that change of owner: the folder's default ACL puts
// it on every new file, and files already there get it too. Filesystems without ACLs keep
// the plain rights (and HandBackToGroup after the run).
void shareLockFolder(const QByteArray& folder)
{
    struct stat dir;
    if (::geteuid() != 0 || ::lstat(folder.constData(), &dir) != 0 || !S_ISDIR(dir.st_mode))
        return;
    const QByteArray dirDefault = groupAcl(0770, dir.st_gid, 07);
    if (::setxattr(folder.constData(), "system.posix_acl_default", dirDefault.constData(), size_t(dirDefault.size()),
                   0) != 0)
        return;
    DIR* d = ::opendir(folder.constData());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray path = folder + '/' + e->d_name;
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const QByteArray acl = groupAcl(st.st_mode, dir.st_gid, 06);
        (void)::setxattr(path.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0);
    }
    ::closedir(d);
}

} // namespace

void PrepareProcess()
{
    PrepareProcess(AppPaths::engineLockDir());
}

void PrepareProcess(const QString& lockFolder)
{
    ::umask(007);
    if (qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        qputenv("FIREBIRD_LOCK", QFile::encodeName(cleanFolder(lockFolder)));
    QDir().mkpath(EngineLockFolder());
    shareLockFolder(QFile::encodeName(EngineLockFolder()));
}

QString EngineLockFolder()
{
    const QString set = qEnvironmentVariable("FIREBIRD_LOCK");
    return set.isEmpty() ? cleanFolder(AppPaths::engineLockDir()) : cleanFolder(set);
}

bool IsLockFolderFailure(const QString& engineMessage)
{
    // The engine names the folder, or a file in it, in every failure to use it.
    const QString folder = EngineLockFolder();
    return engineMessage.contains(folder + QLatin1Char('/')) || engineMessage.contains(folder + QLatin1Char('"'));
}

bool IsHeldByAnotherProgram(const QString& engineMessage)
{
    if (IsLockFolderFailure(engineMessage))
        return false;
    return engineMessage.contains(QLatin1String("already opened"), Qt::CaseInsensitive) ||
           engineMessage.contains(QLatin1String("\"lock\" operation"), Qt::CaseInsensitive);
}

QString LockFolderFailureText()
{
    return QStringLiteral("データベースエンジンのロックフォルダ %1 を使用できません（アクセス権がありません）。\r\n"
                          "このフォルダとその中のファイルを、フォルダのグループが読み書きできるようにしてください。\r\n")
        .arg(EngineLockFolder());
}

QString LockFolderFailureToolText()
{
    return QStringLiteral("the database engine cannot use its lock folder %1 (no permission).\n"
                          "The folder and the files in it must be readable and writable by the folder's group.")
        .arg(EngineLockFolder());
}

void HandBackToGroup(const QStringList& extraFiles)
{
    if (::geteuid() != 0)
        return;
    const QByteArray lockFolder = QFile::encodeName(EngineLockFolder());
    const QByteArray base = QFile::encodeName(cleanFolder(AppPaths::dataRoot() + QStringLiteral("/ordova")));
    handBackTree(base, lockFolder, false, 0);
    if (!lockFolder.startsWith(base + '/')) {
        struct stat parent;
        const QByteArray above = QFile::encodeName(QFileInfo(EngineLockFolder()).absolutePath());
        if (::stat(above.constData(), &parent) == 0)
            handBack(lockFolder, parent.st_gid, true);
        handBackTree(lockFolder, lockFolder, true, 0);
    }
    for (const QString& file : extraFiles) {
        if (file.isEmpty())
            continue;
        const QFileInfo info(file);
        struct stat parent;
        if (::stat(QFile::encodeName(info.absolutePath()).constData(), &parent) == 0)
            handBack(QFile::encodeName(info.absoluteFilePath()), parent.st_gid, false);
    }
}

} // namespace SharedData
