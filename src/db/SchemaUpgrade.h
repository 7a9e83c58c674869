#pragma once

class IndexNotice;
class TdmCmn;

// Brings an initial or older database up to the current schema. Every step probes the
// catalogue for what it adds and does only what is missing, so it runs at every start and
// does nothing on a current file. Each statement commits on its own; a failure stops the
// sequence and propagates, and the next run completes what is still missing.
//
// Asks whether to use response recording when it creates the response tables of a database
// that holds calls, phone-book entries or customers (unless the external-program link is on)
// and sets GUseAccept to the answer; a database without any keeps GUseAccept as it is. Sets
// dm.PostalLookupAvailable. notice, when given, is shown while indexes are built.
void InitTables(TdmCmn& dm, IndexNotice* notice);

// Refreshes the optimizer's figure of how selective each of the database's own indices is.
// The engine works it out only when an index is built: on a database made empty and filled
// by years of calls it stays at nothing, and the engine then reads the whole call log for
// one customer's history. Reads every index page, so a start runs it only when the figures
// are stale (IndexStatistics::RefreshWhenStale); a refusal (a server user without the right)
// is logged, never shown.
void RefreshIndexStatistics(TdmCmn& dm);

// The trigger on LOG that posts kLogInsertedEvent after every insert.
inline constexpr const char* kLogInsertedTrigger = "LOG_AI_ZUVARO_EVENT";
inline constexpr const char* kLogInsertedEvent = "ZUVARO_LOG_INSERTED";
