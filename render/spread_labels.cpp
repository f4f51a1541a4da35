#include "render/spread_labels.h"

#include <cstddef>

namespace velmaro {
namespace {

struct Cluster {
    std::size_t size;
    double top;
    double bottom;
};

// Merges the first pair of clusters that touch or overlap; false when every pair is apart.
bool MergeFirstCollision(std::vector<Cluster>& clusters, const std::vector<double>& desired) {
    std::size_t firstRow = 1;  // desired index of the first row of clusters[k - 1]
    for (std::size_t k = 1; k < clusters.size(); ++k) {
        Cluster& above = clusters[k - 1];
        const Cluster& below = clusters[k];
        if (above.bottom - below.top >= 0) {
            const double height = (above.bottom - above.top) + (below.bottom - below.top);
            above.size += below.size;
            const std::size_t lastRow = firstRow + above.size - 1;
            const double centre = (desired[firstRow] + desired[lastRow]) / 2;
            above.top = centre - height / 2;
            above.bottom = centre + height / 2;
            clusters.erase(clusters.begin() + static_cast<std::ptrdiff_t>(k));
            return true;
        }
        firstRow += above.size;
    }
    return false;
}

}  // namespace

std::vector<double> SpreadLabels(const std::vector<double>& desired, const std::vector<int>& lines,
                                 double h, double floor) {
    std::vector<double> centres(desired.size(), 0.0);
    if (desired.size() < 2) return centres;
    const std::size_t n = desired.size() - 1;

    std::vector<Cluster> clusters;
    clusters.reserve(n);
    for (std::size_t i = 1; i <= n; ++i) {
        // Written so that a one-line row spans exactly desired[i] -/+ h/2.
        const double extraLines = lines[i] - 1;
        clusters.push_back({1, desired[i] - h / 2, desired[i] + h / 2 + extraLines * h});
    }

    for (;;) {
        if (MergeFirstCollision(clusters, desired)) continue;
        Cluster& first = clusters.front();
        if (!(first.top < floor)) break;
        first.bottom += floor - first.top;
        first.top = floor;
    }

    std::size_t row = 1;
    for (const Cluster& cluster : clusters) {
        int linesAbove = 0;  // lines of the cluster's rows above this one
        for (std::size_t j = 0; j < cluster.size; ++j, ++row) {
            centres[row] = cluster.top + linesAbove * h + h / 2;
            linesAbove += lines[row];
        }
    }
    return centres;
}

}  // namespace velmaro
