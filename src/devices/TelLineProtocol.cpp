#include "devices/TelLineProtocol.h"

#include "core/Clock.h"
#include "core/Helpers.h"

const QByteArray TelLineProtocol::KeepAliveCommand = QByteArrayLiteral("\x09\x0A\x09\x0D");
const QByteArray TelLineProtocol::KeepAliveReply = QByteArrayLiteral("\x09\x0A\x09\x06\x0D");

namespace {
const QString kOk = QStringLiteral("OK");
const QString kError = QStringLiteral("ERROR");

// Text after the first occurrence of open up to the next occurrence of close, or empty
// when either is missing.
QString Between(const QString& line, const QString& open, const QString& close, qsizetype* endPos = nullptr)
{
    const qsizetype a = line.indexOf(open);
    if (a < 0)
        return QString();
    const qsizetype from = a + open.size();
    const qsizetype b = line.indexOf(close, from);
    if (b < 0)
        return QString();
    if (endPos)
        *endPos = b + close.size();
    return line.mid(from, b - from);
}

QString WithoutCr(QString text)
{
    text.remove(QStringLiteral("\r\n"));
    text.remove(QLatin1Char('\r'));
    return text;
}

QString LfToCrLf(QString text)
{
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}
} // namespace

bool TelLineProtocol::IsKeepAlive(const QString& line)
{
    return line == QLatin1String(KeepAliveCommand);
}

bool TelLineProtocol::IsKeepAliveReply(const QString& line)
{
    return line == QLatin1String(KeepAliveReply);
}

void TelLineProtocol::TcpClientRead(const QByteArray& bytes)
{
    const QString text = FDecoder.Decode(bytes);
    FSink->ProtocolTrace(QStringLiteral("TcpClientRead recieve message:") + text);
    FFramer.Append(text);
    HandleLines(true);
}

void TelLineProtocol::GetMobileTelNo(const QByteArray& bytes, qint64 readSize)
{
    const QString text = FDecoder.Decode(bytes);
    FFramer.Append(text);
    FSink->ProtocolTrace(QStringLiteral("GetMobileTelNo. temp=\"") + text + QStringLiteral("\" ReadSize=") +
                         QString::number(readSize));
    HandleLines(false);
}

void TelLineProtocol::HandleLines(bool wifi)
{
    // Each line is taken off the buffer before it is handled, so a sink that runs an
    // event loop (and so feeds more bytes) finds the buffer consistent.
    QString line;
    while (FFramer.Next(&line)) {
        if (wifi && IsKeepAlive(line))
            FSink->SendKeepAliveReply();
        else if (wifi && IsKeepAliveReply(line))
            continue; // the answer to our own keep-alive
        else
            DelimiterRecieve(line);
    }
    if (const int dropped = FFramer.DropOverflow())
        FSink->ProtocolError(QStringLiteral("receive buffer overflow: ") + QString::number(dropped) +
                             QStringLiteral(" characters without a line end discarded"));
}

void TelLineProtocol::DelimiterRecieve(const QString& line)
{
    FSink->ProtocolTrace(QStringLiteral("DelimiterRecieve temp=") + line);
    if (line.contains(QLatin1String("+SMS:")))
        SmsResponse(line);
    else if (line.contains(QLatin1String("+SMSRCV:")))
        SmsRecieve(line);
    else if (line.contains(QLatin1String("+CLIP:")))
        CallerReport(line);
    else
        Reply(line);
}

void TelLineProtocol::BeginRequest(TCommandType kind, const QString& command)
{
    FResult[kind].clear();
    FEcho[kind] = 0;
    FPending = kind;
    if (kind == ctCommand)
        FCommandText = command;
}

void TelLineProtocol::ResetReceive()
{
    FFramer.Clear();
    FDecoder.Reset();
}

QString TelLineProtocol::ClipNumber(const QString& line)
{
    const qsizetype a = line.indexOf(QLatin1Char('"'));
    if (a < 0)
        return QString();
    const qsizetype b = line.indexOf(QLatin1Char('"'), a + 1);
    if (b < 0)
        return QString();
    return RemoveControlCharacters(line.mid(a + 1, b - a - 1));
}

bool TelLineProtocol::OwnNumber(const QString& line, QString* number)
{
    const qsizetype zero = line.indexOf(QLatin1String("\"0"));
    if (zero < 0)
        return false;
    const qsizetype from = zero + 1;
    // The number ends at the quote that closes its field, or at the end of the line: it is
    // never the protocol line itself and never holds a quote.
    qsizetype end = line.indexOf(QLatin1Char('"'), from);
    if (end < 0) {
        end = line.size();
        while (end > from && (line.at(end - 1) == QLatin1Char('\r') || line.at(end - 1) == QLatin1Char('\n')))
            --end;
    }
    *number = line.mid(from, end - from);
    return true;
}

void TelLineProtocol::Reply(const QString& line)
{
    switch (FPending) {
    case ctNone:
        return;
    case ctReceive:
        if (FEcho[ctReceive] == 0) {
            if (line.contains(QLatin1String("AT+CLIP=1")))
                FEcho[ctReceive] = 1;
            else
                FSink->ProtocolTrace(QStringLiteral("1回目の受信でRINGではないので無効"));
            return;
        }
        FResult[ctReceive] = line.contains(kOk) ? kOk : kError;
        FEcho[ctReceive] = 0;
        FSink->ReplyArrived();
        return;
    case ctOwnTelNo:
        if (FEcho[ctOwnTelNo] == 0) {
            if (line.contains(QLatin1String("AT+CNUM")))
                FEcho[ctOwnTelNo] = 1;
            else
                FSink->ProtocolTrace(QStringLiteral("自番号取得のエコーコマンドではないので無効 temp=") + line);
            return;
        }
        if (line.contains(kError)) {
            FResult[ctOwnTelNo] = kError;
        } else {
            QString number;
            if (OwnNumber(line, &number)) {
                FSelfTelNo = number;
                FResult[ctOwnTelNo] = kOk;
            } else {
                FResult[ctOwnTelNo] = kError;
            }
        }
        FEcho[ctOwnTelNo] = 0;
        FSink->ReplyArrived();
        return;
    case ctCommand:
        if (FEcho[ctCommand] == 0) {
            if (line.contains(FCommandText))
                FEcho[ctCommand] = 1;
            else
                FSink->ProtocolTrace(FCommandText + QStringLiteral("コマンド送信のエコーではないので無効 temp=") + line);
            return;
        }
        FResult[ctCommand] = line.contains(kOk) ? kOk : kError;
        FEcho[ctCommand] = 0;
        FSink->ReplyArrived();
        return;
    }
}

void TelLineProtocol::CallerReport(const QString& line)
{
    const QString number = ClipNumber(line);
    const QDateTime now = Clock::now();
    // The phone repeats +CLIP while it rings; one call is one delivery. The window slides
    // with every repeat. A clock set back (negative distance) does not count as a repeat.
    if (FLastTelNoTime.isValid() && number == FLastTelNo) {
        const qint64 since = FLastTelNoTime.msecsTo(now);
        if (since >= 0 && since <= kRepeatWindowMs) {
            FLastTelNoTime = now;
            FSink->ProtocolTrace(QStringLiteral("同じ番号で5秒以内着信のため無効 TelNo=") + number + QStringLiteral("---"));
            return;
        }
    }
    FLastTelNoTime = now;
    FLastTelNo = number;
    FSink->DeliverTelNo(number);
}

void TelLineProtocol::SmsResponse(const QString& line)
{
    FSink->ProtocolTrace(QStringLiteral("TTelCom.ReceiveSMSResponseEvent begin"));
    const QString phoneNo = Between(line, QStringLiteral(":\""), QStringLiteral("\","));
    QString centerTime;
    QString message;
    qsizetype afterTime = -1;
    centerTime = Between(line, QStringLiteral("\","), QStringLiteral(","), &afterTime);
    if (afterTime >= 0)
        message = line.mid(afterTime);
    // The chunk was decoded once already; decoding the text again would only mangle it.
    message = WithoutCr(message);
    if (!phoneNo.isEmpty() && !centerTime.isEmpty() && !message.isEmpty())
        FSink->DeliverSmsResponse(phoneNo, centerTime, LfToCrLf(message));
    FSink->ProtocolTrace(QStringLiteral("called ReceiveSMSResponseEvent."));
}

void TelLineProtocol::SmsRecieve(const QString& line)
{
    FSink->ProtocolTrace(QStringLiteral("TTelCom.ReceiveSMSRecieveEvent begin"));
    const QString phoneNo = Between(line, QStringLiteral(":\""), QStringLiteral("\","));
    QString message;
    const qsizetype sep = line.indexOf(QLatin1String("\","));
    if (sep >= 0)
        message = line.mid(sep + 2);
    message = WithoutCr(message);
    if (!phoneNo.isEmpty() && !message.isEmpty())
        FSink->DeliverSmsRecieve(phoneNo, LfToCrLf(message));
    FSink->ProtocolTrace(QStringLiteral("called ReceiveSMSRecieveEvent."));
}
