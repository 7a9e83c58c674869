#pragma once

class TdmCmn;

namespace LargeDatabase {
// Fills a current, empty database: 100,000 customers (numbers 04…), 100,000 phone-book
// entries (numbers 03…, each its own representative number) and logRows incoming calls
// spread evenly over 2022-2024 on port 60600, ten calls per phone-book number for a
// million rows. Prints how long it took.
void Generate(TdmCmn& dm, int logRows);
}
