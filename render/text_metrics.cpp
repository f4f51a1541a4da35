#include "render/text_metrics.h"

#include "base/windows1252.h"

namespace velmaro {

double FixedMetrics::Width(std::string_view utf8) const {
    return 100.0 * static_cast<double>(CountUtf8Characters(utf8));
}

}  // namespace velmaro
