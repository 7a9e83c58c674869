#include "support/PhoneSim.h"

#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
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

bool Listening(int port)
{
    const QString needle = QString(":%1 ").arg(port, 4, 16, QChar('0')).toUpper();
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile f(QString::fromLatin1(table));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (QString::fromLatin1(line).contains(needle) && line.contains(" 0A "))
                return true;
    }
    return false;
}

} // namespace PhoneSim
