#pragma once

#include <QString>

#include <functional>

class QCommandLineParser;
class TdmCmn;

namespace LargeDatabase {
// Points the process at root (data root and settings file, questions answered "no"), opens
// root/bench.fdb as the process's data module, creating it and filling it with Generate
// (logRows calls) when it is missing, and brings it up to date. Prints the upgrade's time.
// A benchmark with data of its own passes its generator instead of Generate.
using Generator = std::function<void(TdmCmn& dm, int logRows)>;
TdmCmn* Open(const QString& root, int logRows, const Generator& generate = {});

// The options every benchmark on the large database takes: --keep DIR, --rows N, --trace-off.
void AddOptions(QCommandLineParser& parser);
// Open for the processed options: the kept folder or scratch, with the trace as asked
// (printed, since it weighs on every figure).
TdmCmn* Open(const QCommandLineParser& parser, const QString& scratch, const Generator& generate = {});

// Fills a current, empty database: 100,000 customers (numbers 04…), 100,000 phone-book
// entries (numbers 03…, each its own representative number) and logRows incoming calls
// spread evenly over 2022-2024 on port 60600, ten calls per phone-book number for a
// million rows. Prints how long it took.
void Generate(TdmCmn& dm, int logRows);
} // namespace LargeDatabase
