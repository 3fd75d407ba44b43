#pragma once

#include "machines/framework/ParameterDescriptor.h"
#include "machines/framework/ParameterFolder.h"

#include <cstdint>
#include <map>

namespace tarn {

using ParameterMap = std::map<std::int32_t, ParameterDescriptor>;
using FolderMap = std::map<std::int32_t, ParameterFolder>;

// The parameters every Node adds to its machine's: group 1 ("System") sets
// the volume and stereo position of the Node's outputs, group 2 ("Input
// mixer") the same per incoming Connection. Both groups use the same two
// indices. Volumes are in decibels; positions run from -1 (left) through 0
// (centre) to 1 (right).
namespace system_parameter {

constexpr std::int32_t kVolume = 0;
constexpr std::int32_t kPan = 1;

// The name of a parameter group in the Node's group list ("System", "Input
// mixer", "Machine"); empty for any other group.
const char* GroupName(int group) noexcept;

// The descriptors and folders of group 1 or 2; empty maps for any other
// group. Static: every Node shares them.
const ParameterMap& Descriptors(int group) noexcept;
const FolderMap& Folders(int group) noexcept;

// The display text of a group 1 or 2 value: "-6.00db", "(Center)",
// "50.00% (Left)". Writes into a buffer of kValueTextSize bytes and
// answers 1; any other index writes nothing and answers 0.
int FormatValue(std::int32_t index, double value, char* text) noexcept;

} // namespace system_parameter

// Linear gain of a level in decibels.
double DecibelsToGain(double decibels) noexcept;

// The gains of the left and right channel for a stereo position. The centre
// gives exactly 1.0 on both sides; a hard pan gives sqrt(2) on one side and
// silence on the other, so the power stays constant. Positions beyond the
// range count as the nearest end.
struct StereoGains {
    double left = 1.0;
    double right = 1.0;
};
StereoGains PositionToGains(double position) noexcept;

} // namespace tarn
