#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The phones that may take the link: addresses and networks ("192.168.1.20",
// "192.168.1.0/24", "fe80::/64"), separated by commas or blanks. Empty allows everyone.
class PeerAllowList
{
public:
    // Entries that are neither an address nor a network go to invalid (and allow nobody).
    static PeerAllowList Parse(const QString& text, QStringList* invalid = nullptr);

    bool IsEmpty() const { return FNetworks.isEmpty() && !FHadEntries; }
    bool Allows(const QHostAddress& peer) const;
    // An IPv4 peer seen through an IPv6 socket ("::ffff:a.b.c.d") as plain IPv4.
    static QHostAddress Plain(const QHostAddress& address);

private:
    QList<QPair<QHostAddress, int>> FNetworks;
    bool FHadEntries = false;
};
