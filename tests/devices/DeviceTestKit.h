#pragma once

// Helpers shared by the link tests: a free port, the simulator as a real process, the
// device's log, and a record of a device's events.
#include "devices/TTelCom.h"
#include "devices/TTelComLogger.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace Kit {

inline int FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::Any, 0))
        return 0;
    return probe.serverPort();
}

// zuvaro-phone, started with stdin open so that numbers can be typed to it.
class Phone
{
public:
    explicit Phone(const QStringList& args)
    {
        FProcess.setProgram(TestEnv::binary(QStringLiteral("tools/zuvaro-phone/zuvaro-phone")));
        FProcess.setArguments(args);
        FProcess.start();
    }
    ~Phone()
    {
        // Asked to stop, it closes its serial port and so removes the port's lock file.
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            if (!FProcess.waitForFinished(3000)) {
                FProcess.kill();
                FProcess.waitForFinished(3000);
            }
        }
    }
    // Lines the phone received from the PC ("< " removed).
    QStringList Received()
    {
        FOut += FProcess.readAllStandardOutput();
        QStringList lines;
        for (const QByteArray& l : FOut.split('\n'))
            if (l.startsWith("< "))
                lines << QString::fromUtf8(l.mid(2));
        return lines;
    }
    bool WaitReceived(const QString& line, int count = 1, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return Received().count(line) >= count; }, ms);
    }
    void Type(const QString& number) { FProcess.write(number.toUtf8() + '\n'); }
    void EndInput() { FProcess.closeWriteChannel(); }
    bool WaitExit(int ms = 5000)
    {
        return QTest::qWaitFor([&] { return FProcess.state() == QProcess::NotRunning; }, ms);
    }
    int ExitCode() const { return FProcess.exitCode(); }
    QString Errors()
    {
        FErr += FProcess.readAllStandardError();
        return QString::fromUtf8(FErr);
    }
    // The phone has opened its end of the link. A request the PC writes to a serial link
    // before that is lost, as with a real phone whose Bluetooth port is not open yet.
    bool WaitLinkUp(int ms = 10000)
    {
        return QTest::qWaitFor([&] { return Errors().contains(QStringLiteral("zuvaro-phone: link up")); }, ms);
    }
    QProcess& Process() { return FProcess; }

private:
    QProcess FProcess;
    QByteArray FErr;
    QByteArray FOut;
};

// Everything in the device's log files so far.
inline QString DeviceLog(TTelCom& device, const QString& folder)
{
    if (device.Logger())
        device.Logger()->Flush();
    QString all;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("TelCom%1_*.log").arg(device.PortNo())}, QDir::Files,
                                             QDir::Name)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            all += QString::fromUtf8(f.readAll());
    }
    return all;
}

// The device's events in order, as "connect", "disconnect", "tel:<number>", "error:<n>".
struct Events : QObject
{
    QStringList list;
    QStringList numbers;
    QString selfTelNoAtConnect;

    explicit Events(TTelCom& device)
    {
        connect(&device, &TTelCom::OnReceivedTelNo, this, [this](TTelCom*, const QString& n, qint16 sub) {
            QCOMPARE(sub, qint16(1));
            numbers << n;
            list << QStringLiteral("tel:") + n;
        });
        connect(&device, &TTelCom::OnTcpClientConnect, this, [this](TTelCom* d, QTcpSocket*) {
            selfTelNoAtConnect = d->SelfTelNo();
            list << QStringLiteral("connect");
        });
        connect(&device, &TTelCom::OnTcpClientDisconnect, this,
                [this](TTelCom*, QTcpSocket*) { list << QStringLiteral("disconnect"); });
        connect(&device, &TTelCom::OnError, this,
                [this](TTelCom*, qint32 e) { list << QStringLiteral("error:") + QString::number(e); });
    }
    int Count(const QString& e) const { return int(list.count(e)); }
    bool Wait(const QString& e, int count = 1, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return Count(e) >= count; }, ms);
    }
};

} // namespace Kit
