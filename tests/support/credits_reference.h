#pragma once

#include <vector>

// The credits filter's softening of a w x h mask: five running sums of seven down every column,
// then along every row, as float sums in exactly that order.
std::vector<float> softenReference(std::vector<float> m, int w, int h);
