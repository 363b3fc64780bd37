#include "mapper/engine/joystick.h"

namespace {

// Splits one axis into thirds in unsigned 32-bit arithmetic, as the driver's
// unsigned ranges require; the results are compared as signed positions.
void AxisThirds(uint32_t min, uint32_t max, int32_t& low, int32_t& high) {
    const uint32_t third = (max - min) / 3u;
    low = static_cast<int32_t>(min + third);
    high = static_cast<int32_t>(max - third);
}

}  // namespace

AxisThresholds ComputeThresholds(const JoystickRange& range) {
    AxisThresholds thresholds{};
    AxisThirds(range.xMin, range.xMax, thresholds.XLow, thresholds.XHigh);
    AxisThirds(range.yMin, range.yMax, thresholds.YLow, thresholds.YHigh);
    return thresholds;
}
