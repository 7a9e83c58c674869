#include "PhoneSimulator.h"

#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {
const QByteArray kKeepAlive = QByteArrayLiteral("\x09\x0A\x09\x0D");
const QByteArray kKeepAliveReply = QByteArrayLiteral("\x09\x0A\x09\x06\x0D");
// The PC pauses half a second between its two set-up requests; silence well beyond
// that means its set-up is over even without the caller-reporting request.
constexpr int kQuietMs = 1500;
// Long enough for the two halves of a split line to arrive in separate reads.
constexpr int kSplitPauseMs = 30;

void Err(const QString& text)
{
    std::fprintf(stderr, "zuvaro-phone: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// One printable output line per received line: control characters are escaped.
QString Printable(const QString& line)
{
    QString body = line;
    while (!body.isEmpty() && (body.endsWith(QLatin1Char('\r')) || body.endsWith(QLatin1Char('\n'))))
        body.chop(1);
    QString out;
    for (const QChar c : body) {
        if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}
} // namespace

PhoneSimulator::PhoneSimulator(const PhoneOptions& options, QObject* parent)
    : QObject(parent), FOptions(options), FQuiet(new QTimer(this))
{
    FQuiet->setSingleShot(true);
    FQuiet->setInterval(kQuietMs);
    connect(FQuiet, &QTimer::timeout, this, &PhoneSimulator::SetupDone);
    for (const QString& n : FOptions.Calls)
        FCallQueue.enqueue(n);
}

void PhoneSimulator::Start()
{
    FStdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(FStdin, &QSocketNotifier::activated, this, &PhoneSimulator::ReadStdin);
    if (FOptions.ExitAfter >= 0)
        QTimer::singleShot(int(FOptions.ExitAfter * 1000), this, [this] { Finish(FUp ? 0 : 2); });

    if (!FOptions.Serial.isEmpty()) {
        auto* port = new QSerialPort(FOptions.Serial, this);
        FLink = port;
        if (!port->open(QIODevice::ReadWrite)) {
            LinkFailed(QStringLiteral("cannot open %1: %2").arg(FOptions.Serial, port->errorString()));
            return;
        }
        // A pseudo-terminal ignores these; a real port needs them to match the PC.
        port->setBaudRate(256000);
        port->setDataBits(QSerialPort::Data8);
        port->setParity(QSerialPort::NoParity);
        port->setStopBits(QSerialPort::OneStop);
        port->clearError();
        connect(port, &QSerialPort::readyRead, this, &PhoneSimulator::Received);
        connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::ResourceError)
                LinkClosed();
        });
        LinkUp();
        return;
    }
    auto* socket = new QTcpSocket(this);
    FLink = socket;
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        LinkUp();
    });
    connect(socket, &QTcpSocket::readyRead, this, &PhoneSimulator::Received);
    connect(socket, &QTcpSocket::disconnected, this, &PhoneSimulator::LinkClosed);
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError) {
        if (!FUp)
            LinkFailed(QStringLiteral("cannot connect to %1:%2: %3")
                           .arg(FOptions.Host)
                           .arg(FOptions.Port)
                           .arg(socket->errorString()));
    });
    socket->connectToHost(FOptions.Host, quint16(FOptions.Port));
}

void PhoneSimulator::LinkUp()
{
    FUp = true;
    Err(QStringLiteral("link up"));
    if (FOptions.Serial.isEmpty())
        FQuiet->start(); // waiting for the PC's set-up
    else
        SetupDone(); // the Bluetooth phone reports callers unasked
}

void PhoneSimulator::LinkFailed(const QString& reason)
{
    if (FFinishing)
        return;
    Err(reason);
    Finish(2);
}

void PhoneSimulator::LinkClosed()
{
    if (FFinishing || !FUp)
        return;
    Err(QStringLiteral("link closed by the PC"));
    Finish(0);
}

void PhoneSimulator::Received()
{
    FFramer.Append(FDecoder.Decode(FLink->readAll()));
    QString line;
    while (FFramer.Next(&line))
        HandleLine(line);
    FFramer.DropOverflow();
}

void PhoneSimulator::HandleLine(const QString& line)
{
    std::fprintf(stdout, "< %s\n", Printable(line).toUtf8().constData());
    std::fflush(stdout);
    if (line == QLatin1String(kKeepAlive)) {
        Send(kKeepAliveReply);
        return;
    }
    if (line == QLatin1String(kKeepAliveReply))
        return;
    const QString request = line.trimmed();
    if (request.isEmpty())
        return;
    if (!FSetupDone)
        FQuiet->start();
    if (FOptions.ReplyMode == PhoneOptions::None) {
        if (request == QLatin1String("AT+CLIP=1"))
            SetupDone();
        return;
    }
    ++FPendingAnswers;
    if (FOptions.ReplyDelayMs > 0)
        QTimer::singleShot(FOptions.ReplyDelayMs, this, [this, request] { Answer(request); });
    else
        Answer(request);
}

void PhoneSimulator::Answer(const QString& request)
{
    --FPendingAnswers;
    if (FFinishing)
        return;
    const bool ok = FOptions.ReplyMode == PhoneOptions::Ok;
    Send(request.toUtf8() + "\r\n");
    if (request == QLatin1String("AT+CNUM")) {
        Send(ok ? QStringLiteral("+CNUM: \"\",\"%1\",129\r\n").arg(FOptions.OwnNumber).toUtf8() : QByteArray("ERROR\r\n"));
    } else if (request == QLatin1String("AT+CLIP=1") ||
               (request.startsWith(QLatin1String("ATD")) && request.endsWith(QLatin1Char(';')))) {
        Send(ok ? QByteArray("OK\r\n") : QByteArray("ERROR\r\n"));
        if (request == QLatin1String("AT+CLIP=1"))
            SetupDone();
    } else {
        Send(QByteArray("ERROR\r\n"));
    }
    MaybeFinish();
}

void PhoneSimulator::SetupDone()
{
    FQuiet->stop();
    if (FSetupDone)
        return;
    FSetupDone = true;
    NextCall();
}

void PhoneSimulator::NextCall()
{
    if (FCalling || FFinishing)
        return;
    if (FCallQueue.isEmpty()) {
        MaybeFinish();
        return;
    }
    FCalling = true;
    const QString number = FCallQueue.dequeue();
    const int interval = int(FOptions.RingInterval * 1000);
    const QByteArray report = QStringLiteral("+CLIP: \"%1\",129\r\n").arg(number).toUtf8();
    for (int i = 0; i < FOptions.Rings; ++i)
        QTimer::singleShot(i * interval, this, [this, report] {
            if (!FFinishing)
                Send(report);
        });
    // The next caller rings one interval after the last report of this one.
    QTimer::singleShot(FOptions.Rings * interval, this, [this] {
        FCalling = false;
        NextCall();
    });
}

void PhoneSimulator::Send(const QByteArray& bytes)
{
    if (FOptions.SplitAt > 0 && FOptions.SplitAt < bytes.size()) {
        FOut.enqueue({bytes.left(FOptions.SplitAt), kSplitPauseMs});
        FOut.enqueue({bytes.mid(FOptions.SplitAt), 0});
    } else {
        FOut.enqueue({bytes, 0});
    }
    Pump();
}

void PhoneSimulator::Pump()
{
    if (FPumping || !FLink)
        return;
    while (!FOut.isEmpty()) {
        const Out item = FOut.dequeue();
        FLink->write(item.Bytes);
        if (auto* s = qobject_cast<QTcpSocket*>(FLink))
            s->flush();
        else if (auto* p = qobject_cast<QSerialPort*>(FLink))
            p->flush();
        if (FOptions.ShowSent) {
            std::fprintf(stdout, "> %s\n", Printable(QString::fromUtf8(item.Bytes)).toUtf8().constData());
            std::fflush(stdout);
        }
        if (item.PauseMs > 0) {
            FPumping = true;
            QTimer::singleShot(item.PauseMs, this, [this] {
                FPumping = false;
                Pump();
            });
            return;
        }
    }
    MaybeFinish();
}

void PhoneSimulator::ReadStdin()
{
    char buf[4096];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
        FStdin->setEnabled(false);
        FStdinEnded = true;
        if (!FStdinBuffer.trimmed().isEmpty())
            FCallQueue.enqueue(QString::fromUtf8(FStdinBuffer.trimmed()));
        FStdinBuffer.clear();
        if (FSetupDone)
            NextCall();
        MaybeFinish();
        return;
    }
    FStdinBuffer.append(buf, n);
    qsizetype nl;
    while ((nl = FStdinBuffer.indexOf('\n')) >= 0) {
        const QString number = QString::fromUtf8(FStdinBuffer.left(nl)).trimmed();
        FStdinBuffer.remove(0, nl + 1);
        if (!number.isEmpty())
            FCallQueue.enqueue(number);
    }
    if (FSetupDone)
        NextCall();
}

void PhoneSimulator::MaybeFinish()
{
    // Without --exit-after the phone stays until its input ends and every report is out.
    if (FOptions.ExitAfter >= 0 || !FStdinEnded || !FSetupDone || FCalling || !FCallQueue.isEmpty() ||
        FPumping || !FOut.isEmpty() || FPendingAnswers > 0 || FFinishing)
        return;
    Finish(FUp ? 0 : 2);
}

void PhoneSimulator::Finish(int status)
{
    if (FFinishing)
        return;
    FFinishing = true;
    if (auto* s = qobject_cast<QTcpSocket*>(FLink)) {
        s->disconnect(this);
        if (s->state() == QAbstractSocket::ConnectedState) {
            s->flush();
            s->disconnectFromHost();
            if (s->state() != QAbstractSocket::UnconnectedState)
                s->waitForDisconnected(1000);
        }
    } else if (auto* p = qobject_cast<QSerialPort*>(FLink)) {
        p->disconnect(this);
        if (p->isOpen()) {
            p->flush();
            p->waitForBytesWritten(500);
            p->close();
        }
    }
    emit finished(status);
}
