#pragma once

#include <array>
#include <cstddef>
#include <vector>

// CP932 text read unit by unit (a single byte, or a lead and a trail byte), for bulk readers
// that skip the text converters. The table is worked out once from the converters, so that
// reading with it gives exactly what the converters give.
namespace Cp932Units {
inline bool isLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

class Table
{
public:
    // The character of a unit; 0 when the converters would not read the unit as one
    // character (then the text must go through them).
    char16_t single(unsigned char b) const { return FSingle[b]; }
    char16_t pair(unsigned char lead, unsigned char trail) const { return FPair[std::size_t(lead) << 8 | trail]; }
    // Whether the converters write the unit's character back as the same bytes (a few
    // characters have two codes, of which writing gives one).
    bool singleRoundTrips(unsigned char b) const { return FSingleBack[b]; }
    bool pairRoundTrips(unsigned char lead, unsigned char trail) const
    {
        return FPairBack[std::size_t(lead) << 8 | trail];
    }

private:
    friend const Table& table();
    Table();
    std::array<char16_t, 256> FSingle{};
    std::array<bool, 256> FSingleBack{};
    std::vector<char16_t> FPair;
    std::vector<bool> FPairBack;
};

const Table& table();
} // namespace Cp932Units
