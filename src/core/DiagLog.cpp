#include "core/DiagLog.h"

#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/FileAccess.h"
#include "core/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cstdio>

bool gTraceOn = false;

namespace {
constexpr qint64 kRollOverBlocks = 5000;

// A failed write is said on standard error, at most once a minute: a full disk would
// otherwise repeat it for every line.
void reportFailure(const QString& what)
{
    static QDateTime lastReport;
    const QDateTime now = Clock::now();
    if (lastReport.isValid() && lastReport <= now && lastReport.msecsTo(now) < 60000)
        return;
    lastReport = now;
    std::fprintf(stderr, "zuvaro3: cannot write %s: %s\n", qPrintable(gCurLogFile), qPrintable(what));
    std::fflush(stderr);
}

void writeLine(const QString& message)
{
    if (gCurLogFile.isEmpty())
        return;
    const QDateTime now = Clock::now();
    QFile f(gCurLogFile);
    if (!FileAccess::Open(f, QIODevice::WriteOnly | QIODevice::Append)) {
        // Logging must never take the program down; say it where someone may see it.
        reportFailure(f.errorString());
        return;
    }
    const qint64 blocks = f.size() / 128;
    QByteArray line = now.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).toUtf8();
    line += ' ';
    line += EscapeLogText(message).toUtf8();
    line += "\r\n";
    if (f.write(line) != line.size() || !f.flush())
        reportFailure(f.errorString());
    f.close();
    if (blocks > kRollOverBlocks) {
        QString target = gLogDir + QLatin1Char('/') + RolledLogFileName(now);
        // Two roll-overs in one second would share a name: keep both.
        for (int n = 1; QFileInfo::exists(target); ++n)
            target = gLogDir + QLatin1Char('/') + RolledLogFileName(now).chopped(4) + QLatin1Char('_') +
                     QString::number(n) + QStringLiteral(".txt");
        QFile::rename(gCurLogFile, target);
    }
}
} // namespace

QString EscapeLogText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u != 0x7F && !(u >= 0x80 && u < 0xA0) && u != 0x2028 && u != 0x2029) {
            out += c;
        } else if (u == u'\r') {
            out += QLatin1String("\\r");
        } else if (u == u'\n') {
            out += QLatin1String("\\n");
        } else if (u == u'\t') {
            out += QLatin1String("\\t");
        } else {
            out += QLatin1String("\\x") +
                   QString::number(int(u), 16).toUpper().rightJustified(u > 0xFF ? 4 : 2, QLatin1Char('0'));
        }
    }
    return out;
}

QString RolledLogFileName(const QDateTime& t)
{
    return QStringLiteral("log_") + gComputerName + QLatin1Char('_') + t.toString(QStringLiteral("yyyyMMdd_hhmmss")) +
           QStringLiteral(".txt");
}

void SetTraceSwitch(bool on)
{
    if (on) {
        QFile::remove(gCurLogFile);
        gTraceOn = true;
    } else {
        gTraceOn = false;
    }
    if (gIni)
        gIni->WriteString(QStringLiteral("COMMON"), QStringLiteral("DEBUG"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

void WriteTraceLog(const QString& message)
{
    if (gTraceOn)
        writeLine(message);
}

void WriteLog(const QString& message)
{
    writeLine(message);
}

void DeleteOldLogs(const QString& folder, const QDateTime& cutoff)
{
    QDir dir(folder);
    if (!dir.exists())
        return;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& fi : entries) {
        if (fi.lastModified() < cutoff)
            QFile::remove(fi.absoluteFilePath());
    }
}

QString OsName()
{
    QString name = QSysInfo::prettyProductName();
    QString kernel = QSysInfo::kernelVersion();
    if (name.isEmpty())
        name = QStringLiteral("Unknown");
    return kernel.isEmpty() ? name : name + QLatin1Char(' ') + kernel;
}
