#pragma once

#include "devices/LineFramer.h"
#include "devices/Utf8ChunkDecoder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringList>

class QIODevice;
class QSocketNotifier;
class QTimer;

struct PhoneOptions
{
    QString Host = QStringLiteral("127.0.0.1");
    int Port = 60600;
    QString Serial;
    QString OwnNumber = QStringLiteral("09012345678");
    QStringList Calls;
    int Rings = 1;
    double RingInterval = 1.0;
    enum Reply { Ok, Error, None } ReplyMode = Ok;
    int ReplyDelayMs = 0;
    int SplitAt = 0;
    double ExitAfter = -1;
    bool ShowSent = false;
};

// The phone app: connects to the PC (or opens the serial link), answers the PC's requests,
// keep-alives, and reports callers once the PC has set the link up.
class PhoneSimulator : public QObject
{
    Q_OBJECT
public:
    explicit PhoneSimulator(const PhoneOptions& options, QObject* parent = nullptr);
    // Starts connecting; the process ends through finished().
    void Start();

signals:
    void finished(int status);

private:
    void LinkUp();
    void LinkFailed(const QString& reason);
    void LinkClosed();
    void Received();
    void HandleLine(const QString& line);
    void Answer(const QString& request);
    void SetupDone();
    void NextCall();
    void Send(const QByteArray& bytes);
    void Pump();
    void ReadStdin();
    void MaybeFinish();
    void Finish(int status);

    PhoneOptions FOptions;
    QIODevice* FLink = nullptr;
    bool FUp = false;
    bool FFinishing = false;
    bool FSetupDone = false;
    bool FCalling = false;
    bool FStdinEnded = false;
    bool FPumping = false;
    Utf8ChunkDecoder FDecoder;
    LineFramer FFramer;
    QTimer* FQuiet;
    QQueue<QString> FCallQueue;
    struct Out
    {
        QByteArray Bytes;
        int PauseMs;
    };
    QQueue<Out> FOut;
    QByteArray FStdinBuffer;
    QSocketNotifier* FStdin = nullptr;
    int FPendingAnswers = 0;
};
