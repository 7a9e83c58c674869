#pragma once

#include <QString>

// A small file system of its own mounted on a folder (needs root), so that a test can make
// writes fail for want of space. Unmounted when destroyed.
class SmallDisk
{
public:
    explicit SmallDisk(const QString& folder, int kilobytes = 64);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // False when not root or the machine does not allow the mount: QSKIP then.
    bool mounted() const { return FMounted; }
    QString path() const { return FFolder; }
    // Takes up every free byte; release() gives them back.
    void fill();
    void release();

private:
    QString FFolder;
    bool FMounted = false;
};
