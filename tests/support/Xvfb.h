#pragma once

#include <QByteArray>
#include <QProcess>

// A private X server (Xvfb) on the first display number with neither a lock file nor a
// socket; display() is empty when it could not start.
class Xvfb
{
public:
    explicit Xvfb(const QString& screen = QStringLiteral("320x200x24"));
    ~Xvfb();
    QByteArray display() const { return FDisplay; }

private:
    QProcess FProcess;
    QByteArray FDisplay;
};
