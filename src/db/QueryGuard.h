#pragma once

#include "db/FbQuery.h"

// Releases a shared query on every way out of a scope, also when reading a field throws, so
// the next user of the query finds it closed.
class QueryGuard
{
public:
    explicit QueryGuard(FbQuery& q) : FQuery(q) {}
    ~QueryGuard() { FQuery.release(); }
    QueryGuard(const QueryGuard&) = delete;
    QueryGuard& operator=(const QueryGuard&) = delete;

private:
    FbQuery& FQuery;
};
