#pragma once

#include "core/AppError.h"

// A value the user entered that cannot be stored as it stands (a character the database
// cannot hold). Nothing was written; the user corrects the field and tries again, so it is
// shown as a warning and never taken for a lost connection.
class InputError : public AppError
{
public:
    InputError(QString message, QString field) : AppError(std::move(message)), FField(std::move(field)) {}
    // The caption of the field at fault; empty when the value's field is not known.
    const QString& field() const { return FField; }

private:
    QString FField;
};
