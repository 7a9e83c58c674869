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
        // Linked once it says so; a phone that cannot connect ends. Still running after a
        // while is not proof: the connection can fail later.
        QByteArray errors;
        const bool settled = QTest::qWaitFor(
            [&] {
                errors += phone->readAllStandardError();
                return errors.contains("zuvaro-phone: link up") || phone->state() == QProcess::NotRunning;
            },
            int(qMax<qint64>(timeoutMs - t.elapsed(), 1)));
        if (settled && errors.contains("zuvaro-phone: link up"))
            return phone;
        phone->kill();
        phone->waitForFinished();
        QTest::qWait(100);
    }
    return nullptr;
}

} // namespace PhoneSim
