#include "devices/PeerAllowList.h"

#include <QRegularExpression>

PeerAllowList PeerAllowList::Parse(const QString& text, QStringList* invalid)
{
    PeerAllowList list;
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString& entry : text.split(separators, Qt::SkipEmptyParts)) {
        list.FHadEntries = true;
        QPair<QHostAddress, int> network;
        if (entry.contains(QLatin1Char('/'))) {
            network = QHostAddress::parseSubnet(entry);
        } else {
            const QHostAddress a(entry);
            if (!a.isNull())
                network = {a, a.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128};
        }
        if (network.first.isNull()) {
            if (invalid)
                *invalid << entry;
            continue;
        }
        network.first = Plain(network.first);
        if (network.first.protocol() == QAbstractSocket::IPv4Protocol && network.second > 32)
            network.second -= 96; // "::ffff:a.b.c.d/120" written for an IPv4 network
        list.FNetworks << network;
    }
    return list;
}

QHostAddress PeerAllowList::Plain(const QHostAddress& address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4) : address;
}

bool PeerAllowList::Allows(const QHostAddress& peer) const
{
    if (IsEmpty())
        return true;
    const QHostAddress plain = Plain(peer);
    for (const auto& network : FNetworks)
        if (plain.isInSubnet(network))
            return true;
    return false;
}
