#pragma once

#include <QLatin1String>

// Gives a control its member name as object name, so tests and later code find it.
template <typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
