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

void CsvTableWriter::addRow(const QVariantList& values)
{
    QString line;
    for (int i = 0; i < values.size(); ++i) {
        QString text = FieldText(values.at(i));
        if (i == FMemoColumn && FRemoveLineBreaks) {
            text.remove(QLatin1Char('\r'));
            text.remove(QLatin1Char('\n'));
        }
        if (i)
            line += QLatin1Char(',');
        line += DoubleQuoted(text);
    }
    appendLine(line);
}

void CsvTableWriter::appendLine(const QString& line)
{
    FBuffer += FEncoder.encode(line);
    FBuffer += "\r\n";
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
    flush();
    if (!FFile.flush())
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + FFile.errorString());
    FFile.close();
    if (FFile.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + FFile.errorString());
}
