#pragma once

#include <QString>
#include <exception>

// Errors carry a message meant for the user (and the diagnostic log).
class AppError : public std::exception
{
public:
    explicit AppError(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}
    const QString& message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};
