#pragma once

#include <vector>

namespace velmaro {

// Places the exam rows beside the chart so that no two overlap. desired[i] (i from 1; element
// 0 unused) is the y of exam i's date, h the height of a row. Rows that would touch or
// overlap are gathered into clusters stacked one row apart around the midpoint of the
// cluster's first and last desired centres; the scan restarts from the top after every
// merge, since a grown cluster may reach the one above it. Returns the row centres, indexed
// like desired; positions are not bounded.
std::vector<double> SpreadLabels(const std::vector<double>& desired, double h);

}  // namespace velmaro
