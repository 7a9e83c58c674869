#pragma once

#include "devices/LineFramer.h"
#include "devices/Utf8ChunkDecoder.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Which request the phone's replies belong to.
enum TCommandType { ctNone, ctReceive, ctOwnTelNo, ctCommand };

// What the protocol asks of the link that owns it.
class TelLineSink
{
public:
    virtual ~TelLineSink() = default;
    virtual void ProtocolTrace(const QString& text) = 0;
    virtual void ProtocolError(const QString& text) = 0;
    // A keep-alive arrived on the Wi-Fi link: answer it on the connection it came from.
    virtual void SendKeepAliveReply() = 0;
    // A caller's number passed the repeat rule.
    virtual void DeliverTelNo(const QString& telNo) = 0;
    virtual void DeliverSmsResponse(const QString& phoneNo, const QString& centerTime, const QString& message) = 0;
    virtual void DeliverSmsRecieve(const QString& phoneNo, const QString& message) = 0;
    // A result text was filled in: a waiting request can look at it.
    virtual void ReplyArrived() = 0;
};

// The phone's side of the link as the PC sees it, without any socket: decoding of the
// byte chunks, line framing, keep-alive, the reply state of the three requests, caller
// reports with the repeat rule, and SMS lines. Re-entrant: a sink may run an event loop
// that feeds more bytes before it returns.
class TelLineProtocol
{
public:
    static const QByteArray KeepAliveCommand; // TAB LF TAB CR
    static const QByteArray KeepAliveReply;   // TAB LF TAB ACK CR
    static constexpr qint64 kRepeatWindowMs = 5000;

    explicit TelLineProtocol(TelLineSink* sink) : FSink(sink) {}

    // One read from the Wi-Fi connection (with keep-alive handling).
    void TcpClientRead(const QByteArray& bytes);
    // One read from the serial port; readSize is what the port reported.
    void GetMobileTelNo(const QByteArray& bytes, qint64 readSize);
    // One complete line, terminator included.
    void DelimiterRecieve(const QString& line);

    // Starts a request of the kind: clears its result and echo state and makes it the
    // pending command. command is the awaited echo of ctCommand.
    void BeginRequest(TCommandType kind, const QString& command = QString());
    void ClearAwaitedCommand() { FCommandText.clear(); }
    QString Result(TCommandType kind) const { return FResult[kind]; }
    TCommandType Pending() const { return FPending; }
    int EchoCounter(TCommandType kind) const { return FEcho[kind]; }

    QString SelfTelNo() const { return FSelfTelNo; }
    void ClearSelfTelNo() { FSelfTelNo.clear(); }

    // A new connection or a closed port: text and partial characters of the old link
    // must not be glued onto the first line of the next one.
    void ResetReceive();
    QString DeviceText() const { return FFramer.Buffer(); }

    // The caller's number of a "+CLIP:" line: between the first two double quotes.
    static QString ClipNumber(const QString& line);
    // The own number of a "+CNUM" result line; false when it holds none.
    static bool OwnNumber(const QString& line, QString* number);
    static bool IsKeepAlive(const QString& line);
    static bool IsKeepAliveReply(const QString& line);

private:
    void HandleLines(bool wifi);
    void CallerReport(const QString& line);
    void SmsResponse(const QString& line);
    void SmsRecieve(const QString& line);
    void Reply(const QString& line);

    TelLineSink* FSink;
    Utf8ChunkDecoder FDecoder;
    LineFramer FFramer;
    TCommandType FPending = ctNone;
    int FEcho[4] = {0, 0, 0, 0};
    QString FResult[4];
    QString FCommandText;
    QString FSelfTelNo;
    QString FLastTelNo;
    QDateTime FLastTelNoTime;
};
