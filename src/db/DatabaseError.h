#pragma once

#include "core/AppError.h"

// A failure reported by the database: the message is the client library's own text, line by
// line, so that callers (the reconnection rule among them) can look into it.
class DatabaseError : public AppError
{
public:
    explicit DatabaseError(QString message, long gdsCode = 0, int sqlCode = 0, QString sql = QString())
        : AppError(std::move(message)), FGdsCode(gdsCode), FSqlCode(sqlCode), FSql(std::move(sql))
    {
    }
    long gdsCode() const { return FGdsCode; }
    int sqlCode() const { return FSqlCode; }
    // The statement that failed, when there was one.
    const QString& sql() const { return FSql; }

private:
    long FGdsCode;
    int FSqlCode;
    QString FSql;
};
