// Measures, for the phone link:
//  - latency from the last byte of a "+CLIP:" line written by a client socket to
//    OnReceivedTelNo (median and 99th percentile over N reports, default 10000);
//  - throughput of the line handler alone, and of the whole receive path over loopback.
// The device logs its trace lines as the application does.
#include "devices/TTelCom.h"
#include "devices/TelLineProtocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {
using SteadyClock = std::chrono::steady_clock;

struct NullSink : TelLineSink
{
    long delivered = 0;
    void ProtocolTrace(const QString&) override {}
    void ProtocolError(const QString&) override {}
    void SendKeepAliveReply() override {}
    void DeliverTelNo(const QString&) override { ++delivered; }
    void DeliverSmsResponse(const QString&, const QString&, const QString&) override {}
    void DeliverSmsRecieve(const QString&, const QString&) override {}
    void ReplyArrived() override {}
};

QByteArray ClipLine(long i)
{
    // Distinct numbers: the repeat rule must not swallow any report.
    return "+CLIP: \"03" + QByteArray::number(i).rightJustified(8, '0') + "\",129\r\n";
}

int FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

template <typename Pred> bool Pump(Pred done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const size_t k = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[k];
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const long reports = argc > 1 ? std::atol(argv[1]) : 10000;

    // Line handler alone.
    {
        NullSink sink;
        TelLineProtocol protocol(&sink);
        const long lines = 1000000;
        QByteArray chunk;
        for (long i = 0; i < 100; ++i)
            chunk += ClipLine(i);
        QElapsedTimer t;
        t.start();
        for (long n = 0; n < lines / 100; ++n)
            protocol.TcpClientRead(chunk);
        const double s = double(t.nsecsElapsed()) / 1e9;
        std::printf("handler only: %ld lines in %.3f s = %.0f lines/s (%ld delivered)\n", lines, s, double(lines) / s,
                    sink.delivered);
    }

    QTemporaryDir logDir;
    TTelCom device;
    TTelComTimings timings;
    timings.SetupOwnTelNoTimeout = 3000;
    device.SetTimings(timings);
    const int port = FreePort();
    device.Connect(port, dtAndroidWifi, true, 30000, logDir.path(), true);

    QTcpSocket client;
    QObject::connect(&client, &QTcpSocket::readyRead, &client, [&client] {
        if (client.readAll().contains("AT+CNUM"))
            client.write("AT+CNUM\r\n+CNUM: \"\",\"09012345678\",129\r\n");
    });
    bool attached = false;
    QObject::connect(&device, &TTelCom::OnTcpClientConnect, &device, [&](TTelCom*, QTcpSocket*) { attached = true; });
    client.connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!Pump([&] { return attached; }, 5000)) {
        std::fprintf(stderr, "bench_telcom: the device did not accept the client\n");
        return 1;
    }
    client.disconnect(&client);
    client.setSocketOption(QAbstractSocket::LowDelayOption, 1);

    long delivered = 0;
    SteadyClock::time_point arrived;
    QObject::connect(&device, &TTelCom::OnReceivedTelNo, &device, [&](TTelCom*, const QString&, qint16) {
        arrived = SteadyClock::now();
        ++delivered;
    });

    // Latency, one report at a time.
    std::vector<double> micros;
    micros.reserve(size_t(reports));
    for (long i = 0; i < reports; ++i) {
        const long before = delivered;
        client.write(ClipLine(i));
        client.flush();
        const auto written = SteadyClock::now();
        if (!Pump([&] { return delivered > before; }, 5000)) {
            std::fprintf(stderr, "bench_telcom: report %ld never arrived\n", i);
            return 1;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(arrived - written).count());
    }
    std::printf("latency over %ld reports: median %.1f us, p99 %.1f us, max %.1f us\n", reports,
                Percentile(micros, 0.5), Percentile(micros, 0.99), *std::max_element(micros.begin(), micros.end()));

    // Throughput of the whole receive path: many reports in big writes.
    const long burst = 100000;
    QByteArray all;
    for (long i = 0; i < burst; ++i)
        all += ClipLine(reports + i);
    const long before = delivered;
    QElapsedTimer t;
    t.start();
    client.write(all);
    if (!Pump([&] { return delivered - before >= burst; }, 120000)) {
        std::fprintf(stderr, "bench_telcom: burst incomplete (%ld of %ld)\n", delivered - before, burst);
        return 1;
    }
    const double s = double(t.nsecsElapsed()) / 1e9;
    std::printf("loopback path: %ld lines in %.3f s = %.0f lines/s\n", burst, s, double(burst) / s);
    device.Disconnect();
    return 0;
}
