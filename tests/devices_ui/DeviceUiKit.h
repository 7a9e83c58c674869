#pragma once

// Shared by the dialog tests: a stand-in for the main window that owns real device
// objects, and a socat pseudo-terminal pair for Bluetooth links.
#include "devices/DeviceHost.h"
#include "devices/DeviceSettings.h"
#include "devices/TTelCom.h"
#include "devices/TTelComList.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class TestDeviceHost : public QObject, public DeviceHost
{
public:
    TTelComList FList;
    int Saves = 0;
    int MenuBuilds = 0;

    ~TestDeviceHost() override
    {
        for (int i = 0; i < FList.Count(); ++i)
            FList.Items(i)->Disconnect();
    }

    TTelCom* CreateAdrTelCom() override
    {
        auto* device = new TTelCom(this);
        TTelComTimings t;
        t.SetupPauseMs = 50;
        t.SetupOwnTelNoTimeout = 3000;
        t.SetupRequestCtiTimeout = 3000;
        device->SetTimings(t);
        return device;
    }
    void SaveAdrTelComList() override
    {
        ++Saves;
        DeviceSettings::Save(FList);
    }
    void RebuildCallMenu() override { ++MenuBuilds; }
    TTelComList& DeviceList() override { return FList; }

    // A listed device as loading from the settings does it, not connected.
    TTelCom* AddDevice(int portNo, int deviceIndex, const QString& name, const QString& reading = QString())
    {
        TTelCom* d = CreateAdrTelCom();
        DeviceSettings::Apply(*d, {portNo, name, reading, deviceIndex});
        FList.Add(d);
        return d;
    }
};

// The PC side of serial port n is <root>/ttyPC<n> (through [ANDROID] SERIAL_DEVICE), the
// phone side <root>/ttyPhone<n>.
class SocatPair
{
public:
    static bool Available() { return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty(); }
    static void UseTemplate(const TestEnv& env)
    {
        env.writeIni(QStringLiteral("[ANDROID]\nSERIAL_DEVICE=%1/ttyPC%2\n").arg(env.root(), QStringLiteral("%1")));
    }

    SocatPair(const TestEnv& env, int portNo)
        : FPc(env.path(QStringLiteral("ttyPC%1").arg(portNo))),
          FPhone(env.path(QStringLiteral("ttyPhone%1").arg(portNo)))
    {
        FProcess.start(QStringLiteral("socat"),
                       {QStringLiteral("pty,raw,echo=0,link=") + FPc, QStringLiteral("pty,raw,echo=0,link=") + FPhone});
    }
    ~SocatPair()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            FProcess.waitForFinished(3000);
        }
    }
    bool WaitReady()
    {
        return QTest::qWaitFor([&] { return QFile::exists(FPc) && QFile::exists(FPhone); }, 5000);
    }
    QString PhoneSide() const { return FPhone; }

private:
    QString FPc;
    QString FPhone;
    QProcess FProcess;
};
