#pragma once

#include <QString>

// The database on a fresh PC. A local database file that is missing is created with the
// initial-database code (the same as zuvaro3-initdb) when its folder can be written or made;
// a database on a server is that server's business: its administrator creates it there.
namespace FirstStartDatabase {

enum class Outcome {
    Present,      // the file exists: nothing done
    Created,      // made now
    OnServer,     // host:/path: not ours to create
    NotCreatable, // missing, and its folder cannot be written or made
    Failed,       // the creation itself failed
};

// Creates the database at path when it is a missing local file, and writes what happened to
// the diagnostic log (always, as it is rare and matters).
Outcome Ensure(const QString& path);

// For a failed first connection: a sentence telling who must create a database that the
// server does not have; empty when the path is local or the error is another one.
QString ServerMissingHint(const QString& path, const QString& errorMessage);

} // namespace FirstStartDatabase
