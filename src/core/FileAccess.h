#pragma once

#include <QIODevice>
#include <QString>

class QFileDevice;

// The program's files (diagnostic log, settings file, device logs) hold callers' numbers
// and names: no access for other users, read and write for the group, so the other
// accounts of a shop PC can still run the program.
namespace FileAccess {
// Opens file; a file it creates gets mode 0660, an older one loses the access of other
// users, and both take the group of their folder where this user may give it.
bool Open(QFileDevice& file, QIODevice::OpenMode mode);
// The same for a file that is open already; created says whether this open made it.
void Restrict(QFileDevice& file, bool created);
}
