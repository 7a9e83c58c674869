// zuvaro-phone: a command-line stand-in for the phone app.
#include "PhoneSimulator.h"

#include "platform/SignalWatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuvaro-phone"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZUVARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the phone app's side of the phone link for Zuvaro3.\n"
        "Connects to the PC over TCP (or uses a serial device), answers AT+CNUM with the echo and\n"
        "+CNUM: \"\",\"<own number>\",129, AT+CLIP=1 and ATD...; with the echo and OK (other\n"
        "commands with ERROR), answers keep-alives, and prints every line it receives on standard\n"
        "output as \"< \" and the line (control characters written as \\t, \\n, \\xNN).\n"
        "Callers (--call and numbers read from standard input, one a line) are reported as\n"
        "+CLIP: \"NUMBER\",129 once the PC has set the link up: over TCP after AT+CLIP=1 (or after\n"
        "1.5 s without a request from the PC), over a serial link at once.\n"
        "Without --exit-after it runs until standard input ends and its reports are sent, or until\n"
        "the PC closes the link. Exit status 0 when the link worked, 2 when it could not connect,\n"
        "1 for wrong arguments. Messages go to standard error."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("PC to connect to (default 127.0.0.1)."),
                                  QStringLiteral("HOST"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("TCP port of the PC (default 60600)."),
                                  QStringLiteral("PORT"), QStringLiteral("60600"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Use this serial device instead of TCP."), QStringLiteral("DEVICE"));
    const QCommandLineOption own(QStringLiteral("own-number"),
                                 QStringLiteral("The phone's own number (default 09012345678)."),
                                 QStringLiteral("NUMBER"), QStringLiteral("09012345678"));
    const QCommandLineOption call(QStringLiteral("call"),
                                  QStringLiteral("Report NUMBER as a caller after the set-up (repeatable)."),
                                  QStringLiteral("NUMBER"));
    const QCommandLineOption rings(QStringLiteral("rings"),
                                   QStringLiteral("Reports per caller (default 1)."), QStringLiteral("N"),
                                   QStringLiteral("1"));
    const QCommandLineOption ringInterval(QStringLiteral("ring-interval"),
                                          QStringLiteral("Seconds between reports, fractions allowed (default 1)."),
                                          QStringLiteral("SECONDS"), QStringLiteral("1"));
    const QCommandLineOption reply(QStringLiteral("reply"),
                                   QStringLiteral("How requests are answered: ok (default), error, or none."),
                                   QStringLiteral("ok|error|none"), QStringLiteral("ok"));
    const QCommandLineOption replyDelay(QStringLiteral("reply-delay"),
                                        QStringLiteral("Milliseconds before each answer (default 0)."),
                                        QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption splitAt(QStringLiteral("split-at"),
                                     QStringLiteral("Write each line in two writes, cut after BYTES bytes."),
                                     QStringLiteral("BYTES"), QStringLiteral("0"));
    const QCommandLineOption exitAfter(QStringLiteral("exit-after"),
                                       QStringLiteral("Close the link and end after SECONDS (fractions allowed)."),
                                       QStringLiteral("SECONDS"));
    const QCommandLineOption showSent(QStringLiteral("show-sent"),
                                      QStringLiteral("Also print every write to the PC, as \"> \" and the bytes, once "
                                                     "it has been handed to the link."));
    parser.addOptions(
        {host, port, serial, own, call, rings, ringInterval, reply, replyDelay, splitAt, exitAfter, showSent});
    parser.process(app);

    auto fail = [](const char* text) {
        std::fprintf(stderr, "zuvaro-phone: %s (see --help)\n", text);
        return 1;
    };
    PhoneOptions o;
    bool ok = true;
    o.Host = parser.value(host);
    o.Port = parser.value(port).toInt(&ok);
    if (!ok || o.Port < 1 || o.Port > 65535)
        return fail("--port needs a number from 1 to 65535");
    o.Serial = parser.value(serial);
    o.OwnNumber = parser.value(own);
    o.Calls = parser.values(call);
    o.Rings = parser.value(rings).toInt(&ok);
    if (!ok || o.Rings < 1)
        return fail("--rings needs a number of at least 1");
    o.RingInterval = parser.value(ringInterval).toDouble(&ok);
    if (!ok || o.RingInterval < 0)
        return fail("--ring-interval needs a number of seconds");
    const QString mode = parser.value(reply);
    if (mode == QLatin1String("ok"))
        o.ReplyMode = PhoneOptions::Ok;
    else if (mode == QLatin1String("error"))
        o.ReplyMode = PhoneOptions::Error;
    else if (mode == QLatin1String("none"))
        o.ReplyMode = PhoneOptions::None;
    else
        return fail("--reply takes ok, error or none");
    o.ReplyDelayMs = parser.value(replyDelay).toInt(&ok);
    if (!ok || o.ReplyDelayMs < 0)
        return fail("--reply-delay needs a number of milliseconds");
    o.SplitAt = parser.value(splitAt).toInt(&ok);
    if (!ok || o.SplitAt < 0)
        return fail("--split-at needs a number of bytes");
    if (parser.isSet(exitAfter)) {
        o.ExitAfter = parser.value(exitAfter).toDouble(&ok);
        if (!ok || o.ExitAfter < 0)
            return fail("--exit-after needs a number of seconds");
    }
    o.ShowSent = parser.isSet(showSent);
    if (!parser.positionalArguments().isEmpty())
        return fail("unexpected argument");

    PhoneSimulator phone(o);
    QObject::connect(&phone, &PhoneSimulator::finished, &app, [](int status) { QCoreApplication::exit(status); },
                     Qt::QueuedConnection);
    // A stop request ends the event loop, so that the serial port is closed and its lock
    // file in the system's lock folder removed.
    SignalWatcher stop;
    QObject::connect(&stop, &SignalWatcher::terminationRequested, &app, [] { QCoreApplication::exit(0); });
    phone.Start();
    return app.exec();
}
