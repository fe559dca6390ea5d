#pragma once

#include <vector>

// Five running means of seven down every column, then along every row, summed in that order.
std::vector<float> softenReference(std::vector<float> m, int w, int h);
