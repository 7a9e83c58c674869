#pragma once

class TdmCmn;

// Fills a fresh database for the benchmarks: 100,000 customers and phone-book entries, and
// logRows calls spread evenly over 2022-2024 (three years, so a year holds a third).
void GenerateLargeDatabase(TdmCmn& dm, int logRows);
