#include "logs/CsvTableWriter.h"

#include "core/AppError.h"
#include "core/Helpers.h"

#include <QDateTime>

void CsvTableWriter::begin(const QString& path, const ExportLayout& layout)
{
    FMemoColumn = layout.memoColumn;
    FFile.setFileName(path);
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw AppError(QStringLiteral("ファイルを作成できませんでした。") + FFile.errorString());
    FBuffer.reserve(ChunkBytes + 64 * 1024);
    appendLine(layout.captions.join(QLatin1Char(',')));
}

QString CsvTableWriter::FieldText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case QMetaType::QDate:
        return value.toDate().startOfDay().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

namespace {
// Appends text in double quotes, quotes inside doubled, line breaks dropped when asked.
void appendQuoted(QString& line, const QString& text, bool dropBreaks)
{
    line += QLatin1Char('"');
    const bool plain = !text.contains(QLatin1Char('"')) &&
                       !(dropBreaks && (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))));
    if (plain) {
        line += text;
    } else {
        for (const QChar c : text) {
            if (dropBreaks && (c == QLatin1Char('\r') || c == QLatin1Char('\n')))
                continue;
            if (c == QLatin1Char('"'))
                line += QLatin1Char('"');
            line += c;
        }
    }
    line += QLatin1Char('"');
}
} // namespace

void CsvTableWriter::addRow(const QVariantList& values)
{
    // Most fields are text: they are quoted straight from the value, without a copy per field.
    for (int i = 0; i < values.size(); ++i) {
        if (i)
            FText += QLatin1Char(',');
        const QVariant& value = values.at(i);
        const bool dropBreaks = i == FMemoColumn && FRemoveLineBreaks;
        if (value.typeId() == QMetaType::QString)
            appendQuoted(FText, *static_cast<const QString*>(value.constData()), dropBreaks);
        else
            appendQuoted(FText, FieldText(value), dropBreaks);
    }
    FText += QLatin1String("\r\n");
    if (FText.size() >= TextChunk)
        encodeText();
}

void CsvTableWriter::appendLine(const QString& line)
{
    FText += line;
    FText += QLatin1String("\r\n");
    encodeText();
}

// Lines are encoded a chunk at a time: one conversion call per line would cost more than
// the conversion itself.
void CsvTableWriter::encodeText()
{
    FBuffer += FEncoder.encode(FText);
    FText.clear();
    if (FBuffer.size() >= ChunkBytes)
        flush();
}

void CsvTableWriter::flush()
{
    if (FBuffer.isEmpty())
        return;
    if (FFile.write(FBuffer) != FBuffer.size())
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + FFile.errorString());
    FBuffer.clear();
}

void CsvTableWriter::finish()
{
    encodeText();
    flush();
    if (!FFile.flush())
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + FFile.errorString());
    FFile.close();
    if (FFile.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + FFile.errorString());
}
