#pragma once

#include <QString>

// A user who may log in (USER_M).
struct TUser
{
    QString UserId;
    QString UserName;
    QString Passwd;
    int Auth = 0;
};
