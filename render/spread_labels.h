#pragma once

#include <limits>
#include <vector>

namespace velmaro {

// Places the exam rows beside the chart so that none overlaps another or rises above floor.
// desired[i] (i from 1; element 0 unused) is the y of exam i's date, lines[i] the number of
// text lines row i takes (two when its grade wraps), h the height of one line.
//
// Row i's desired extent runs from desired[i] - h/2 down by lines[i] * h, so its first line is
// centred on its date. Rows that touch or overlap are gathered into clusters as high as their
// rows together, centred on the midpoint of the cluster's first and last desired centres, with
// the rows stacked from the cluster's top; the scan restarts from the top after every merge,
// since a grown cluster may reach the one above it. When a scan finds no collision and the
// first cluster's top lies above floor, that cluster moves down to floor and the scan starts
// again. Returns each row's first-line centre, indexed like desired; rows below are unbounded.
std::vector<double> SpreadLabels(const std::vector<double>& desired, const std::vector<int>& lines,
                                 double h, double floor = -std::numeric_limits<double>::infinity());

}  // namespace velmaro
