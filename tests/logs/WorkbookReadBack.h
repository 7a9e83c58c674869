#pragma once

// Reads a workbook back with an independent reader (python3-xlrd for .xls, python3-openpyxl
// for .xlsx) through tests/logs/read_workbook.py.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QVariant>

struct ReadCell
{
    QString type; // text, number, date, blank
    QVariant value;
    QString format;
};

struct ReadColumn
{
    double width = 0;
    QString format;
};

struct ReadBook
{
    QString error; // empty when the reader succeeded
    QString sheet;
    int rows = 0;
    QMap<QPair<int, int>, ReadCell> cells;
    QMap<int, ReadColumn> columns;

    bool has(int row, int col) const { return cells.contains({row, col}); }
    ReadCell at(int row, int col) const { return cells.value({row, col}); }
    QVariant value(int row, int col) const { return at(row, col).value; }
};

inline ReadBook ReadWorkbook(const QString& path)
{
    ReadBook book;
    // The Debian interpreter, whose packages hold the readers (not another one on the PATH).
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                             : QStringLiteral("python3");
    QProcess p;
    p.start(python, {QStringLiteral(ZUVARO_SOURCE_DIR "/tests/logs/read_workbook.py"), path});
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        book.error = QString::fromUtf8(p.readAllStandardError());
        if (book.error.isEmpty())
            book.error = QStringLiteral("reader did not finish");
        return book;
    }
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    book.sheet = root.value(QStringLiteral("sheet")).toString();
    book.rows = root.value(QStringLiteral("rows")).toInt();
    for (const QJsonValue& v : root.value(QStringLiteral("cells")).toArray()) {
        const QJsonObject c = v.toObject();
        book.cells.insert({c.value(QStringLiteral("row")).toInt(), c.value(QStringLiteral("col")).toInt()},
                          {c.value(QStringLiteral("type")).toString(), c.value(QStringLiteral("value")).toVariant(),
                           c.value(QStringLiteral("format")).toString()});
    }
    const QJsonObject cols = root.value(QStringLiteral("columns")).toObject();
    for (auto it = cols.begin(); it != cols.end(); ++it) {
        const QJsonObject c = it.value().toObject();
        book.columns.insert(it.key().toInt(), {c.value(QStringLiteral("width")).toDouble(),
                                               c.value(QStringLiteral("format")).toString()});
    }
    return book;
}
