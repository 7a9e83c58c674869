#pragma once

class TdmCmn;

// The optimizer's index statistics are refreshed only when they may have gone stale: after
// an upgrade, a deletion or an import (which mark them so), or once a table grew by more than
// a tenth since the last refresh. Growth is read from the key generators of the call log,
// the customers and the responses, so the check costs no read of a table. The generator
// values of the last refresh are kept in INDEX_STATS_MARK.
namespace IndexStatistics {

// True when a refresh is due (also when the marks cannot be read).
bool Stale(TdmCmn& dm);
// Refreshes the statistics when Stale says so; true when it did.
bool RefreshWhenStale(TdmCmn& dm);
// Records the generator values of a refresh just made.
void RecordRefresh(TdmCmn& dm);
// The next start refreshes: many rows went or came at once.
void MarkStale(TdmCmn& dm);

} // namespace IndexStatistics
