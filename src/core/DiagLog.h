#pragma once

#include <QDateTime>
#include <QString>

// The diagnostic log: one line per event, "yyyy/MM/dd hh:mm:ss message", appended to
// gCurLogFile and closed after every line, rolled over beyond 5000 blocks of 128 bytes.
extern bool gTraceOn;

// The log menu's switch. Off: trace lines stop and COMMON/DEBUG becomes "0". On: the
// current file is deleted first, so the trace starts afresh, and DEBUG becomes "1".
void SetTraceSwitch(bool on);

// Trace lines: written only while gTraceOn is set.
void WriteTraceLog(const QString& message);
// Errors and important events: always written.
void WriteLog(const QString& message);

// Control characters written visibly (\r, \n, \t, \x1B), so one log line is always one
// message whatever a caller's number or a peer sent.
QString EscapeLogText(const QString& text);
// The name of a rolled-over file for a roll-over at t (without the uniqueness suffix).
QString RolledLogFileName(const QDateTime& t);
// Deletes every file (not folder) of folder last written before cutoff. Ignores failures.
void DeleteOldLogs(const QString& folder, const QDateTime& cutoff);
// "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64" style: distribution and kernel release.
QString OsName();
