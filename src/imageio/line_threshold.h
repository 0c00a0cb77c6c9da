#pragma once

#include <array>
#include <cstdint>

namespace carbonel {

// How many pixels of a sketch have each darkness (255 less the brightness).
using DarknessHistogram = std::array<std::uint64_t, 256>;

// The darkness from which a sketch's pixel counts as a line when none is given: the one that
// best splits the sketch's tones into paper and lines (Otsu's threshold, the split with the
// largest variance between the two). A sketch of one tone has no split: then the fixed default
// decides.
int lineThreshold(const DarknessHistogram& histogram);

}  // namespace carbonel
