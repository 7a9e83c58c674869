#include "TelProtocolFuzz.h"

#include "core/Clock.h"
#include "devices/TelLineProtocol.h"

#include <cstdlib>

namespace {
struct Sink : TelLineSink
{
    void ProtocolTrace(const QString&) override {}
    void ProtocolError(const QString&) override {}
    void SendKeepAliveReply() override {}
    void DeliverTelNo(const QString& telNo) override
    {
        // A number is what lies between two quotes: it can never hold one.
        if (telNo.contains(QLatin1Char('"')))
            std::abort();
    }
    void DeliverSmsResponse(const QString& p, const QString& t, const QString& m) override
    {
        if (p.isEmpty() || t.isEmpty() || m.isEmpty())
            std::abort();
        // Line breaks of a message reach the owner as CR LF, never as a lone CR.
        for (qsizetype k = 0; k < m.size(); ++k)
            if (m.at(k) == QLatin1Char('\r') && (k + 1 >= m.size() || m.at(k + 1) != QLatin1Char('\n')))
                std::abort();
    }
    void DeliverSmsRecieve(const QString& p, const QString& m) override
    {
        if (p.isEmpty() || m.isEmpty())
            std::abort();
    }
    void ReplyArrived() override {}
};

void Check(const TelLineProtocol& p)
{
    if (p.DeviceText().size() > LineFramer::kDefaultLimit)
        std::abort();
    const QString self = p.SelfTelNo();
    if (!self.isEmpty() && (self.front() != QLatin1Char('0') || self.contains(QLatin1Char('"'))))
        std::abort();
}
} // namespace

int TelProtocolFuzzOne(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const QDateTime start(QDate(2024, 5, 1), QTime(12, 0));
    Clock::setNow(start);
    Sink sink;
    TelLineProtocol protocol(&sink);
    const bool serial = data[0] & 1;
    size_t i = 1;
    auto next = [&]() -> int { return i < size ? data[i++] : -1; };
    while (i < size) {
        const int op = next();
        switch (op % 8) {
        case 5: { // a request starts
            const int kind = next();
            const TCommandType k = TCommandType((kind < 0 ? 0 : kind) % 4);
            QString command;
            if (k == ctCommand) {
                const int len = next();
                for (int n = 0; n < (len < 0 ? 0 : len % 12) && i < size; ++n)
                    command += QLatin1Char(char(data[i++] & 0x7F));
            }
            protocol.BeginRequest(k, command);
            break;
        }
        case 6: { // time passes
            const int step = next();
            Clock::advance(qint64(step < 0 ? 0 : step) * 100);
            break;
        }
        case 7:
            protocol.ResetReceive();
            break;
        default: { // bytes arrive
            int len = next();
            if (len < 0)
                break;
            // Mostly short reads, sometimes a big one (up to 16 KiB) so that a few of them reach
            // the bound on the buffer.
            size_t n = size_t(len);
            if (op & 0x80)
                n *= 64;
            const size_t avail = size - i;
            QByteArray chunk;
            if (n <= avail) {
                chunk = QByteArray(reinterpret_cast<const char*>(data + i), qsizetype(n));
                i += n;
            } else {
                // Stretch what is left by repeating it.
                const QByteArray rest(reinterpret_cast<const char*>(data + i), qsizetype(avail));
                i = size;
                if (rest.isEmpty())
                    break;
                while (size_t(chunk.size()) < n)
                    chunk += rest;
                chunk.truncate(qsizetype(n));
            }
            if (serial)
                protocol.GetMobileTelNo(chunk, chunk.size());
            else
                protocol.TcpClientRead(chunk);
            break;
        }
        }
        Check(protocol);
    }
    Clock::reset();
    return 0;
}
