#include "imageio/line_threshold.h"

#include "sketch/start_values.h"

namespace carbonel {

int lineThreshold(const DarknessHistogram& histogram) {
    double total = 0, sum = 0;
    for (int level = 0; level < 256; ++level) {
        total += static_cast<double>(histogram[static_cast<std::size_t>(level)]);
        sum += level * static_cast<double>(histogram[static_cast<std::size_t>(level)]);
    }
    // Split before `threshold`: paper below it, lines from it on.
    int best = kTraceThreshold.start;
    double bestVariance = 0, lightCount = 0, lightSum = 0;
    for (int threshold = 1; threshold < 256; ++threshold) {
        const double count =
            static_cast<double>(histogram[static_cast<std::size_t>(threshold - 1)]);
        lightCount += count;
        lightSum += (threshold - 1) * count;
        const double darkCount = total - lightCount;
        if (lightCount == 0 || darkCount == 0) continue;
        const double difference = lightSum / lightCount - (sum - lightSum) / darkCount;
        const double variance = lightCount * darkCount * difference * difference;
        if (variance > bestVariance) {
            bestVariance = variance;
            best = threshold;
        }
    }
    return best;
}

}  // namespace carbonel
