#include "engine/SystemParameters.h"

#include "machines/framework/ParameterDisplay.h"
#include "tarn/MachineAbi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarn {
namespace system_parameter {
namespace {

ParameterDescriptor Real(const char* name, const char* description, double minimum,
                         double maximum) {
    ParameterDescriptor descriptor;
    descriptor.type = kTypeDouble;
    descriptor.name = name;
    descriptor.description = description;
    descriptor.minimum = minimum;
    descriptor.maximum = maximum;
    descriptor.defaultValue = 0.0;
    descriptor.resolution = 0.01;
    return descriptor;
}

ParameterFolder Folder(const char* name) {
    ParameterFolder folder;
    folder.name = name;
    return folder;
}

} // namespace

const char* GroupName(int group) noexcept {
    switch (group) {
    case kGroupSystem:
        return "System";
    case kGroupInputMixer:
        return "Input mixer";
    case kGroupMachine:
        return "Machine";
    default:
        return "";
    }
}

const ParameterMap& Descriptors(int group) noexcept {
    static const ParameterMap system{
        {kVolume, Real("Volume", "Machine output volume", -60.0, 20.0)},
        {kPan, Real("Pan", "Machine output stereo position", -1.0, 1.0)},
    };
    static const ParameterMap inputMixer{
        {kVolume, Real("Volume", "Input volume", -60.0, 20.0)},
        {kPan, Real("Pan", "Input stereo position", -1.0, 1.0)},
    };
    static const ParameterMap none;
    return group == kGroupSystem ? system : group == kGroupInputMixer ? inputMixer : none;
}

const FolderMap& Folders(int group) noexcept {
    // "Imput" is the folder's name as projects and users know it.
    static const FolderMap system{{0, Folder("System")}, {1, Folder("Equalizer")}};
    static const FolderMap inputMixer{{0, Folder("Imput mixer")}};
    static const FolderMap none;
    return group == kGroupSystem ? system : group == kGroupInputMixer ? inputMixer : none;
}

int FormatValue(std::int32_t index, double value, char* text) noexcept {
    if (text == nullptr) {
        return 0;
    }
    if (index == kVolume) {
        return WriteValueText(text, value, 2, "db");
    }
    if (index != kPan) {
        return 0;
    }
    if (value == 0.0) {
        std::snprintf(text, kValueTextSize, "(Center)");
        return 1;
    }
    return FormatProportion(text, std::abs(value), value < 0.0 ? "% (Left)" : "% (Right)");
}

} // namespace system_parameter

double DecibelsToGain(double decibels) noexcept {
    return std::pow(10.0, decibels * 0.05);
}

StereoGains PositionToGains(double position) noexcept {
    // sqrt(0.5 -+ p/2) * sqrt(2), folded into one root so that the centre
    // comes out at exactly 1.0.
    const double p = std::clamp(position, -1.0, 1.0);
    return {std::sqrt(1.0 - p), std::sqrt(1.0 + p)};
}

} // namespace tarn
