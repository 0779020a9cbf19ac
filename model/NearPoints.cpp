#include "model/NearPoints.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <unordered_map>
#include <utility>

#include "model/VectorMath.h"

namespace {

// Up to this many points every pair is tested.
constexpr std::size_t FewPoints = 32;

bool Within(const tvector2& p, const tvector2& q, double tolerance) {
    return std::fabs(p.a - q.a) < tolerance && std::fabs(p.b - q.b) < tolerance;
}

bool Repeats(const tvector& kept, const tvector& other) { return DotProduct(kept, other) > 1.0 - Epsilon; }

}  // namespace

bool AnyTwoWithin(std::vector<tvector2>& points, double tolerance) {
    if (points.size() <= FewPoints) {
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            for (std::size_t j = i + 1; j < points.size(); ++j)
                if (Within(points[i], points[j], tolerance)) return true;
        return false;
    }
    // A coordinate that is not finite is within no tolerance of anything.
    std::erase_if(points, [](const tvector2& p) { return !std::isfinite(p.a) || !std::isfinite(p.b); });
    std::sort(points.begin(), points.end(), [](const tvector2& p, const tvector2& q) { return p.a < q.a; });
    // In the order of the first coordinate, the points before the current
    // one that lie within the tolerance in it form a window, held by their
    // second coordinates. A rounded difference grows with the distance too,
    // so the window ends where the test of a pair would, and some point of
    // the window is within the tolerance in the second coordinate exactly
    // when one of the nearest on either side is.
    std::multiset<double> window;
    std::size_t start = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const tvector2& p = points[i];
        for (; start < i && !(std::fabs(p.a - points[start].a) < tolerance); ++start)
            window.erase(window.find(points[start].b));
        const auto above = window.lower_bound(p.b);
        if (above != window.end() && std::fabs(*above - p.b) < tolerance) return true;
        if (above != window.begin() && std::fabs(*std::prev(above) - p.b) < tolerance) return true;
        window.insert(p.b);
    }
    return false;
}

void KeepFirstOfRepeatedNormals(const std::vector<tvector>& normals, std::vector<uint8_t>& keep) {
    const std::size_t n = normals.size();
    keep.assign(n, 1);
    if (n <= FewPoints) {
        for (std::size_t a = 0; a < n; ++a) {
            if (!keep[a]) continue;
            for (std::size_t b = 0; b < n; ++b)
                if (b != a && Repeats(normals[a], normals[b])) keep[b] = 0;
        }
        return;
    }
    // A kept normal puts out every other normal that repeats it, later ones
    // before their turn; an earlier one that repeats it would have put it out
    // first. So a normal is kept exactly when no earlier kept one repeats it.
    //
    // Normals of about unit length (all that NormalizeVector makes from
    // faces of a sensible size) that repeat each other lie less than 1.43e-5
    // apart, less than half a cell of 2^-15: each lies in the other's cell or
    // in the neighbour on the side of the half of its cell it lies in, eight
    // cells in all; and a cell holds few kept ones, which are that far apart.
    // A shorter normal repeats no such normal nor another shorter one; a
    // longer one (or one with an infinite coordinate) is compared with every
    // kept normal, and every normal with the kept longer ones. A normal with
    // a NaN repeats nothing.
    constexpr double CellScale = 32768.0;  // 2^15
    const auto cellOf = [](const tvector& p, int64_t cell[3], int64_t side[3]) {
        const double coordinates[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k) {
            const double t = coordinates[k] * CellScale;
            const double f = std::floor(t);
            cell[k] = static_cast<int64_t>(f);
            side[k] = t - f < 0.5 ? -1 : 1;
        }
    };
    // Per cell its last kept normal, the others of the cell chained before it.
    std::unordered_map<uint64_t, uint32_t> cells;
    cells.reserve(n);
    std::vector<uint32_t> chain(n);
    std::vector<uint32_t> kept, longer;
    for (std::size_t i = 0; i < n; ++i) {
        const tvector& p = normals[i];
        if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) continue;
        const double square = DotProduct(p, p);
        const bool finite = std::isfinite(square);
        const bool unit = finite && square >= 1 - 1e-9 && square <= 1 + 1e-12;
        const bool isLonger = !finite || square > 1 + 1e-12;
        const auto repeatedBy = [&](const std::vector<uint32_t>& list) {
            return std::any_of(list.begin(), list.end(), [&](uint32_t j) { return Repeats(normals[j], p); });
        };
        bool repeated = repeatedBy(isLonger ? kept : longer);
        int64_t cell[3] = {0, 0, 0}, side[3] = {0, 0, 0};
        if (unit) {
            cellOf(p, cell, side);
            for (int corner = 0; corner < 8 && !repeated; ++corner) {
                const auto it = cells.find(CellKey(cell[0] + ((corner & 1) ? side[0] : 0),
                                                   cell[1] + ((corner & 2) ? side[1] : 0),
                                                   cell[2] + ((corner & 4) ? side[2] : 0)));
                if (it == cells.end()) continue;
                for (uint32_t j = it->second;; j = chain[j]) {
                    if (Repeats(normals[j], p)) {
                        repeated = true;
                        break;
                    }
                    if (chain[j] == j) break;
                }
            }
        }
        if (repeated) {
            keep[i] = 0;
            continue;
        }
        kept.push_back(static_cast<uint32_t>(i));
        if (isLonger) longer.push_back(static_cast<uint32_t>(i));
        if (unit) {
            const auto [it, added] = cells.try_emplace(CellKey(cell[0], cell[1], cell[2]), static_cast<uint32_t>(i));
            chain[i] = added ? static_cast<uint32_t>(i) : std::exchange(it->second, static_cast<uint32_t>(i));
        }
    }
}
