#include "logs/XlsWriter.h"

#include "core/AppError.h"

#include <QFile>
#include <QtEndian>

#include <cstring>
#include <functional>

namespace {

// Record types.
constexpr quint16 kBof = 0x0809;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kCodePage = 0x0042;
constexpr quint16 kWindow1 = 0x003D;
constexpr quint16 kDateMode = 0x0022;
constexpr quint16 kFont = 0x0031;
constexpr quint16 kFormat = 0x041E;
constexpr quint16 kXf = 0x00E0;
constexpr quint16 kStyle = 0x0293;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kContinue = 0x003C;
constexpr quint16 kExtSst = 0x00FF;
constexpr quint16 kDefColWidth = 0x0055;
constexpr quint16 kColInfo = 0x007D;
constexpr quint16 kDimensions = 0x0200;
constexpr quint16 kRow = 0x0208;
constexpr quint16 kLabelSst = 0x00FD;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kBlank = 0x0201;
constexpr quint16 kWindow2 = 0x023E;

// A record holds at most this many bytes of data; longer data goes on in CONTINUE records.
constexpr int kMaxData = 8224;

// Cell formats: 0-14 style formats, 15 the default cell format, then ours.
constexpr quint16 kXfGeneral = 15;
constexpr quint16 kXfText = 16;
constexpr quint16 kXfDate = 17;
constexpr quint16 kFormatText = 49; // built-in "@"
constexpr quint16 kFormatDate = 164; // first user-defined number format
const QString kDateFormat = QStringLiteral("yyyy/mm/dd hh:mm:ss");

// Compound document.
constexpr int kSector = 512;
constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr int kHeaderDifat = 109;
constexpr int kIdsPerSector = kSector / 4;
// Streams below this size would belong in the mini stream; the workbook is padded instead.
constexpr int kMiniCutoff = 4096;
// Short texts (codes, names) repeat in a list and are shared; long ones (remarks) are written
// as they come, so that nothing grows with the data.
constexpr int kSharedTextMax = 40;
constexpr int kSharedTextsMax = 100000;
// Every this many strings the position is noted for the string table's index.
constexpr int kMarkEvery = 8;

void u8(QByteArray& b, quint8 v)
{
    b.append(char(v));
}

void u16(QByteArray& b, quint16 v)
{
    char raw[2];
    qToLittleEndian(v, raw);
    b.append(raw, 2);
}

void u32(QByteArray& b, quint32 v)
{
    char raw[4];
    qToLittleEndian(v, raw);
    b.append(raw, 4);
}

void f64(QByteArray& b, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    char raw[8];
    qToLittleEndian(bits, raw);
    b.append(raw, 8);
}

void utf16(QByteArray& b, const QString& s)
{
    for (const QChar c : s)
        u16(b, c.unicode());
}

void record(QByteArray& out, quint16 type, const QByteArray& data)
{
    u16(out, type);
    u16(out, quint16(data.size()));
    out.append(data);
}

void patch32(QByteArray& b, int pos, quint32 v)
{
    qToLittleEndian(v, b.data() + pos);
}

QByteArray bof(quint16 kind)
{
    QByteArray d;
    u16(d, 0x0600); // BIFF8
    u16(d, kind);
    u16(d, 0x0DBB);
    u16(d, 0x07CC);
    u32(d, 0);
    u32(d, 0x06);
    return d;
}

// Short text with a one-byte length (sheet and font names), always as UTF-16.
QByteArray shortText(const QString& s)
{
    QByteArray d;
    u8(d, quint8(s.size()));
    u8(d, 0x01);
    utf16(d, s);
    return d;
}

QByteArray font()
{
    QByteArray d;
    u16(d, 220);    // 11 points in twips
    u16(d, 0);      // no italic, no strike-out
    u16(d, 0x7FFF); // automatic colour
    u16(d, 400);    // normal weight
    u16(d, 0);
    u8(d, 0);
    u8(d, 0);
    u8(d, 0x80); // Shift-JIS character set
    u8(d, 0);
    d.append(shortText(QStringLiteral("ＭＳ Ｐゴシック")));
    return d;
}

QByteArray xf(quint16 format, bool style, bool formatSet)
{
    QByteArray d;
    u16(d, 0);                        // font 0
    u16(d, format);                   // number format
    u16(d, style ? 0xFFF5 : 0x0001);  // locked; a style format has no parent
    u8(d, 0x20);                      // aligned to the bottom
    u8(d, 0);                         // no rotation
    u8(d, 0);                         // no indent
    u8(d, formatSet ? 0x04 : 0x00);   // which attributes differ from the parent style
    u32(d, 0);                        // no borders
    u32(d, 0);                        // no border colours, no fill
    u16(d, 0x20C0);                   // default pattern colours
    return d;
}

// Writes bytes or throws: a full disk must not pass for a written workbook.
void put(QFile& file, const QByteArray& bytes)
{
    if (file.write(bytes) != bytes.size())
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + file.errorString());
}

// Copies a temporary file's bytes into file in pieces.
void copyFrom(QFile& file, QFile& from)
{
    if (!from.flush() || !from.seek(0))
        throw AppError(QStringLiteral("一時ファイルを読めませんでした。") + from.errorString());
    QByteArray piece;
    while (!(piece = from.read(1 << 20)).isEmpty())
        put(file, piece);
}

// The compound document around one stream named "Workbook" of streamLength bytes, which
// writeStream writes: header, the stream's sectors, one directory sector, the allocation
// table and, for large files, its extension sectors. Only the tables are held in memory.
void writeCompound(QFile& file, qint64 streamLength, const std::function<void()>& writeStream)
{
    const qint64 padded = qMax<qint64>(streamLength, kMiniCutoff);
    const quint32 streamSize = quint32(padded);
    const int streamSectors = int((padded + kSector - 1) / kSector);

    int fatSectors = 0;
    int difatSectors = 0;
    for (;;) {
        const int total = streamSectors + 1 + fatSectors + difatSectors;
        const int needFat = (total + kIdsPerSector - 1) / kIdsPerSector;
        const int needDifat = needFat > kHeaderDifat ? (needFat - kHeaderDifat + kIdsPerSector - 2) / (kIdsPerSector - 1) : 0;
        if (needFat == fatSectors && needDifat == difatSectors)
            break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const quint32 dirSector = quint32(streamSectors);
    const quint32 firstFat = dirSector + 1;
    const quint32 firstDifat = firstFat + quint32(fatSectors);

    QByteArray header;
    header.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.append(QByteArray(16, '\0')); // class id
    u16(header, 0x003E);
    u16(header, 0x0003); // version 3: 512-byte sectors
    u16(header, 0xFFFE); // little-endian
    u16(header, 9);      // sector size 2^9
    u16(header, 6);      // mini sector size 2^6
    header.append(QByteArray(6, '\0'));
    u32(header, 0); // directory sectors (always 0 in version 3)
    u32(header, quint32(fatSectors));
    u32(header, dirSector);
    u32(header, 0); // transactions
    u32(header, kMiniCutoff);
    u32(header, kEndOfChain); // no mini allocation table
    u32(header, 0);
    u32(header, difatSectors ? firstDifat : kEndOfChain);
    u32(header, quint32(difatSectors));
    for (int i = 0; i < kHeaderDifat; ++i)
        u32(header, i < fatSectors ? firstFat + quint32(i) : kFreeSect);
    put(file, header);

    writeStream();
    const qint64 tail = qint64(streamSectors) * kSector - streamLength;
    if (tail > 0)
        put(file, QByteArray(int(tail), '\0'));

    QByteArray dir;
    auto entry = [&dir](const QString& name, quint8 type, quint32 child, quint32 start, quint32 size) {
        QByteArray e;
        utf16(e, name);
        e.append(QByteArray(64 - e.size(), '\0'));
        u16(e, name.isEmpty() ? 0 : quint16((name.size() + 1) * 2));
        u8(e, type);
        u8(e, 1);          // black in the directory's red-black tree
        u32(e, kNoStream); // left sibling
        u32(e, kNoStream); // right sibling
        u32(e, child);
        e.append(QByteArray(16 + 4 + 16, '\0')); // class id, state bits, times
        u32(e, start);
        u32(e, size);
        u32(e, 0);
        dir.append(e);
    };
    entry(QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    entry(QStringLiteral("Workbook"), 2, kNoStream, 0, streamSize);
    entry(QString(), 0, kNoStream, 0, 0);
    entry(QString(), 0, kNoStream, 0, 0);
    put(file, dir);

    QByteArray fat;
    fat.reserve(fatSectors * kSector);
    for (int i = 0; i < streamSectors; ++i)
        u32(fat, i + 1 < streamSectors ? quint32(i + 1) : kEndOfChain);
    u32(fat, kEndOfChain); // the directory
    for (int i = 0; i < fatSectors; ++i)
        u32(fat, kFatSect);
    for (int i = 0; i < difatSectors; ++i)
        u32(fat, kDifSect);
    while (fat.size() < fatSectors * kSector)
        u32(fat, kFreeSect);
    put(file, fat);

    QByteArray difat;
    for (int s = 0; s < difatSectors; ++s) {
        for (int i = 0; i < kIdsPerSector - 1; ++i) {
            const int fatIndex = kHeaderDifat + s * (kIdsPerSector - 1) + i;
            u32(difat, fatIndex < fatSectors ? firstFat + quint32(fatIndex) : kFreeSect);
        }
        u32(difat, s + 1 < difatSectors ? firstDifat + quint32(s + 1) : kEndOfChain);
    }
    put(file, difat);
}

} // namespace

void XlsWriter::open(const QString& path, const QString& sheetName)
{
    FColumns.clear();
    FStringIndex.clear();
    FStringCount = 0;
    FStringRefs = 0;
    FMarks.clear();
    FRowCells.clear();
    FRow = FRowFirstCol = FLastCol = FFirstRow = FMinCol = FMaxCol = -1;
    FPath = path;
    FSheetName = sheetName.left(31);
    // The string table and the rows go to files beside the workbook as they come.
    FSst = std::make_unique<QTemporaryFile>(path + QStringLiteral(".XXXXXX"));
    FCells = std::make_unique<QTemporaryFile>(path + QStringLiteral(".XXXXXX"));
    if (!FSst->open() || !FCells->open())
        throw AppError(QStringLiteral("ファイルを作成できませんでした。") + FSst->errorString());
    FSstBytes = 0;
    FSstRecords = 0;
    FCellsBytes = 0;
    FSstCur.clear();
    u32(FSstCur, 0); // references and distinct strings, patched by close()
    u32(FSstCur, 0);
    FOpen = true;
}

void XlsWriter::setColumn(int col, double width, bool textFormat)
{
    if (col < 0 || col >= MaxColumns)
        throw AppError(QStringLiteral("列番号が範囲外です: %1").arg(col));
    while (FColumns.size() <= col)
        FColumns.append(Column());
    FColumns[col] = {width, textFormat};
}

quint16 XlsWriter::columnXf(int col) const
{
    return col < FColumns.size() && FColumns.at(col).text ? kXfText : kXfGeneral;
}

quint32 XlsWriter::stringIndex(const QString& text)
{
    ++FStringRefs;
    const bool shared = text.size() <= kSharedTextMax;
    if (shared) {
        const auto it = FStringIndex.constFind(text);
        if (it != FStringIndex.constEnd())
            return it.value();
    }
    const quint32 index = FStringCount++;
    if (shared && FStringIndex.size() < kSharedTextsMax)
        FStringIndex.insert(text, index);
    appendString(text, index);
    return index;
}

void XlsWriter::flushSstRecord()
{
    QByteArray head;
    u16(head, FSstRecords == 0 ? kSst : kContinue);
    u16(head, quint16(FSstCur.size()));
    put(*FSst, head);
    put(*FSst, FSstCur);
    FSstBytes += head.size() + FSstCur.size();
    ++FSstRecords;
    FSstCur.clear();
}

// The shared string table, cut into CONTINUE records. A string's characters may go on in the
// next record, which then starts with the string's option byte again; its length and option
// byte are never cut.
void XlsWriter::appendString(const QString& s, quint32 index)
{
    if (FSstCur.size() + 3 + (s.isEmpty() ? 0 : 2) > kMaxData)
        flushSstRecord();
    if (index % kMarkEvery == 0)
        FMarks.append({FSstBytes + 4 + FSstCur.size(), quint16(FSstCur.size() + 4)});
    u16(FSstCur, quint16(s.size()));
    u8(FSstCur, 0x01);
    int done = 0;
    while (done < s.size()) {
        int room = (kMaxData - int(FSstCur.size())) / 2;
        if (room == 0) {
            flushSstRecord();
            u8(FSstCur, 0x01);
            room = (kMaxData - 1) / 2;
        }
        const int n = qMin(room, int(s.size()) - done);
        utf16(FSstCur, s.mid(done, n));
        done += n;
    }
}

void XlsWriter::writeText(int row, int col, const QString& text)
{
    const quint16 xf = columnXf(col);
    QByteArray tail;
    u32(tail, stringIndex(text.left(MaxTextLength)));
    addCell(row, col, kLabelSst, xf, tail);
}

void XlsWriter::writeNumber(int row, int col, double value)
{
    QByteArray tail;
    f64(tail, value);
    addCell(row, col, kNumber, columnXf(col), tail);
}

void XlsWriter::writeDate(int row, int col, const QDateTime& value)
{
    QByteArray tail;
    f64(tail, SerialDate(value));
    addCell(row, col, kNumber, kXfDate, tail);
}

void XlsWriter::writeBlank(int row, int col)
{
    addCell(row, col, kBlank, columnXf(col), QByteArray());
}

double XlsWriter::SerialDate(const QDateTime& value)
{
    static const QDate epoch(1899, 12, 30);
    return double(epoch.daysTo(value.date())) + double(value.time().msecsSinceStartOfDay()) / 86400000.0;
}

void XlsWriter::addCell(int row, int col, quint16 type, quint16 xf, const QByteArray& tail)
{
    if (!FOpen)
        throw AppError(QStringLiteral("ワークブックが開かれていません。"));
    if (row < 0 || row >= MaxRows || col < 0 || col >= MaxColumns)
        throw AppError(QStringLiteral("ワークシートの範囲外のセルです（行%1、列%2）。").arg(row + 1).arg(col + 1));
    if (row < FRow || (row == FRow && col <= FLastCol))
        throw AppError(QStringLiteral("セルの書き込み順序が正しくありません（行%1、列%2）。").arg(row + 1).arg(col + 1));
    if (row != FRow) {
        flushRow();
        FRow = row;
        FRowFirstCol = col;
        if (FFirstRow < 0)
            FFirstRow = row;
    }
    FLastCol = col;
    FMinCol = FMinCol < 0 ? col : qMin(FMinCol, col);
    FMaxCol = qMax(FMaxCol, col);

    QByteArray d;
    u16(d, quint16(row));
    u16(d, quint16(col));
    u16(d, xf);
    d.append(tail);
    record(FRowCells, type, d);
}

void XlsWriter::flushRow()
{
    if (FRow < 0)
        return;
    QByteArray d;
    u16(d, quint16(FRow));
    u16(d, quint16(FRowFirstCol));
    u16(d, quint16(FLastCol + 1));
    u16(d, 0x00FF); // default height
    u16(d, 0);
    u16(d, 0);
    u16(d, 0x0100);
    u16(d, kXfGeneral);
    QByteArray row;
    record(row, kRow, d);
    row.append(FRowCells);
    put(*FCells, row);
    FCellsBytes += row.size();
    FRowCells.clear();
}

QByteArray XlsWriter::globals(int* sheetOffsetPos) const
{
    QByteArray out;
    record(out, kBof, bof(0x0005));
    {
        QByteArray d;
        u16(d, 1200); // texts are UTF-16
        record(out, kCodePage, d);
    }
    {
        QByteArray d;
        u16(d, 0);
        u16(d, 0);
        u16(d, 0x4000);
        u16(d, 0x2000);
        u16(d, 0x0038);
        u16(d, 0); // active sheet
        u16(d, 0);
        u16(d, 1);
        u16(d, 0x0258);
        record(out, kWindow1, d);
    }
    {
        QByteArray d;
        u16(d, 0); // dates count from 1900
        record(out, kDateMode, d);
    }
    // Font 4 does not exist in this format: five records are fonts 0-3 and 5.
    for (int i = 0; i < 5; ++i)
        record(out, kFont, font());
    {
        QByteArray d;
        u16(d, kFormatDate);
        u16(d, quint16(kDateFormat.size()));
        u8(d, 0x01);
        utf16(d, kDateFormat);
        record(out, kFormat, d);
    }
    for (int i = 0; i < 15; ++i)
        record(out, kXf, xf(0, true, false));
    record(out, kXf, xf(0, false, false));
    record(out, kXf, xf(kFormatText, false, true));
    record(out, kXf, xf(kFormatDate, false, true));
    {
        QByteArray d;
        u16(d, 0x8000); // built-in style on format 0
        u8(d, 0);       // "Normal"
        u8(d, 0xFF);
        record(out, kStyle, d);
    }
    {
        QByteArray d;
        *sheetOffsetPos = int(out.size()) + 4;
        u32(d, 0); // patched once the size of the globals is known
        u8(d, 0); // visible
        u8(d, 0); // worksheet
        d.append(shortText(FSheetName));
        record(out, kBoundSheet, d);
    }

    return out;
}

QByteArray XlsWriter::stringIndexRecord(qint64 sstStart) const
{
    // Every bucket of the index records where its first string starts.
    const int count = int(FStringCount);
    int bucket = qMax(8, count / 128 + 1);
    if (bucket > 0xFFF0) // the bucket size has 16 bits: fewer, larger buckets then
        bucket = (count + 999) / 1000;
    bucket = (bucket + kMarkEvery - 1) / kMarkEvery * kMarkEvery;
    QByteArray d;
    u16(d, quint16(bucket));
    for (int m = 0; m < FMarks.size(); m += bucket / kMarkEvery) {
        u32(d, quint32(sstStart + FMarks.at(m).streamOffset));
        u16(d, FMarks.at(m).recordOffset);
        u16(d, 0);
    }
    QByteArray out;
    record(out, kExtSst, d);
    return out;
}

QByteArray XlsWriter::sheetHead() const
{
    QByteArray out;
    record(out, kBof, bof(0x0010));
    {
        QByteArray d;
        u16(d, 8);
        record(out, kDefColWidth, d);
    }
    for (int c = 0; c < FColumns.size(); ++c) {
        const Column& col = FColumns.at(c);
        if (col.width <= 0 && !col.text)
            continue;
        QByteArray d;
        u16(d, quint16(c));
        u16(d, quint16(c));
        u16(d, quint16(qMin(255.0, col.width > 0 ? col.width : 8.0) * 256));
        u16(d, col.text ? kXfText : kXfGeneral);
        u16(d, col.width > 0 ? 0x0002 : 0x0000); // the width was set by hand
        u16(d, 0);
        record(out, kColInfo, d);
    }
    {
        QByteArray d;
        const bool any = FFirstRow >= 0;
        u32(d, any ? quint32(FFirstRow) : 0);
        u32(d, any ? quint32(FRow + 1) : 0);
        u16(d, any ? quint16(FMinCol) : 0);
        u16(d, any ? quint16(FMaxCol + 1) : 0);
        u16(d, 0);
        record(out, kDimensions, d);
    }
    return out;
}

QByteArray XlsWriter::sheetTail()
{
    QByteArray out;
    {
        QByteArray d;
        u16(d, 0x06B6); // grid lines, headers, zeros, first sheet selected and shown
        u16(d, 0);
        u16(d, 0);
        u32(d, 64);
        u16(d, 0);
        u16(d, 0);
        u32(d, 0);
        record(out, kWindow2, d);
    }
    record(out, kEof, QByteArray());
    return out;
}

void XlsWriter::close()
{
    if (!FOpen)
        return;
    FOpen = false;
    flushRow();
    flushSstRecord();
    {
        QByteArray counts;
        u32(counts, FStringRefs);
        u32(counts, FStringCount);
        if (!FSst->seek(4))
            throw AppError(QStringLiteral("一時ファイルに書き込めませんでした。") + FSst->errorString());
        put(*FSst, counts);
    }

    int sheetOffsetPos = 0;
    QByteArray head = globals(&sheetOffsetPos);
    const QByteArray extSst = stringIndexRecord(head.size());
    QByteArray eof;
    record(eof, kEof, QByteArray());
    const qint64 sheetStart = head.size() + FSstBytes + extSst.size() + eof.size();
    patch32(head, sheetOffsetPos, quint32(sheetStart));
    const QByteArray sheetBegin = sheetHead();
    const QByteArray sheetEnd = sheetTail();
    const qint64 length = sheetStart + sheetBegin.size() + FCellsBytes + sheetEnd.size();

    QFile file(FPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw AppError(QStringLiteral("ファイルを作成できませんでした。") + file.errorString());
    writeCompound(file, length, [&]() {
        put(file, head);
        copyFrom(file, *FSst);
        put(file, extSst);
        put(file, eof);
        put(file, sheetBegin);
        copyFrom(file, *FCells);
        put(file, sheetEnd);
    });
    if (!file.flush())
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + file.errorString());
    file.close();
    FSst.reset();
    FCells.reset();
}
