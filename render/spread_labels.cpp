#include "render/spread_labels.h"

#include <cstddef>

namespace velmaro {
namespace {

struct Cluster {
    std::size_t size;
    double top;
    double bottom;
};

}  // namespace

std::vector<double> SpreadLabels(const std::vector<double>& desired, double h) {
    std::vector<double> centres(desired.size(), 0.0);
    if (desired.size() < 2) return centres;
    const std::size_t n = desired.size() - 1;

    std::vector<Cluster> clusters;
    clusters.reserve(n);
    for (std::size_t i = 1; i <= n; ++i) {
        clusters.push_back({1, desired[i] - h / 2, desired[i] + h / 2});
    }

    bool merged = true;
    while (merged && clusters.size() > 1) {
        merged = false;
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
                merged = true;
                break;
            }
            firstRow += above.size;
        }
    }

    std::size_t row = 1;
    for (const Cluster& cluster : clusters) {
        for (std::size_t j = 0; j < cluster.size; ++j) {
            centres[row++] = cluster.top + static_cast<double>(j) * h + h / 2;
        }
    }
    return centres;
}

}  // namespace velmaro
