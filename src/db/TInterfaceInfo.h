#pragma once

#include <QString>

// The definition of one external program (INTERFACE), as GetInterfaceInfo reads it.
struct TInterfaceInfo
{
    QString IfName;
    QString IfType;
    QString ExecPath;
    QString TextPath;
    QString Command;
    QString Caption;
    int StartReq = 0;
    int EndReq = 0;
    QString EveryClose;
    QString TextPort;
    QString TextDt;
};
