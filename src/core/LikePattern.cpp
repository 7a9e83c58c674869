#include "core/LikePattern.h"

#include <QVector>

namespace LikePattern {

bool Matches(const QString& text, const QString& pattern)
{
    // Iterative wildcard match with one backtrack point: linear for the patterns searches build.
    const int n = text.size();
    const int m = pattern.size();
    int t = 0;
    int p = 0;
    int starP = -1;
    int starT = 0;
    while (t < n) {
        if (p < m && pattern.at(p) == QLatin1Char('%')) {
            starP = p++;
            starT = t;
        } else if (p < m && (pattern.at(p) == QLatin1Char('_') || pattern.at(p) == text.at(t))) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < m && pattern.at(p) == QLatin1Char('%'))
        ++p;
    return p == m;
}

QString ForSearch(const QString& typed, bool anywhere)
{
    return (anywhere ? QStringLiteral("%") : QString()) + typed + QStringLiteral("%");
}

} // namespace LikePattern
