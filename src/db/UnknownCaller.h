#pragma once

#include <QString>

// The unknown-caller name and reading as the phone book stores them: the settings may hold
// texts longer than the columns (or with characters the database cannot hold), and a refused
// insert would keep every new caller out of the call log. Cut as caller numbers are, with one
// log line per setting value.
QString StoredUnknownName();
QString StoredUnknownKana();
