#include "support/PhoneSim.h"

#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

namespace PhoneSim {

int FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

std::unique_ptr<QProcess> Start(int port, const QStringList& args, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        auto phone = std::make_unique<QProcess>();
        phone->start(TestEnv::binary(QStringLiteral("tools/zuvaro-phone/zuvaro-phone")),
                     QStringList{QStringLiteral("--port"), QString::number(port)} + args);
        phone->waitForStarted();
        if (!phone->waitForFinished(300))
            return phone; // still running: linked
        QTest::qWait(100);
    }
    return nullptr;
}

} // namespace PhoneSim
