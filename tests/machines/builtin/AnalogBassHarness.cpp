#include "AnalogBassHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace tarn::test {

AnalogBassHarness::AnalogBassHarness(int bpm) : host_(machine_, bpm, &link_) {
    for (const Parameter& parameter : parameters) {
        if (parameter.descriptor.type != kTypeNote) {
            Set(parameter.index, parameter.descriptor.defaultValue);
        }
    }
    // The defaults reach the machine before its first frame, as the Node's
    // announcements do.
    Render(0);
}

void AnalogBassHarness::Set(std::int32_t index, double value, int offset) {
    host_.Queue(index, value, offset);
}

void AnalogBassHarness::Note(double note, double lengthBeats, double velocity, int offset) {
    host_.QueueNote(AnalogBass::kNote, note, lengthBeats, velocity, offset);
}

std::vector<double> AnalogBassHarness::Render(int frames) {
    MachineHost::Stereo out = host_.Run(frames);
    EXPECT_EQ(out.left, out.right);
    return std::move(out.left);
}

std::vector<double> AnalogBassHarness::RenderSeconds(double seconds) {
    return Render(static_cast<int>(seconds * kRate));
}

std::int32_t AnalogBassHarness::Send(std::int32_t type, std::int32_t value, void* pointer,
                                     void* extra) {
    return host_.Send(type, value, pointer, extra);
}

std::int32_t AnalogBassHarness::Format(std::int32_t index, double value, std::string& text) {
    std::array<char, 256> buffer{};
    const std::int32_t answer = Send(kMsgFormatValue, index, &value, buffer.data());
    text = buffer.data();
    return answer;
}

const AnalogBassHarness::Parameter* AnalogBassHarness::Find(std::int32_t index) const {
    const auto found = std::find_if(parameters.begin(), parameters.end(),
                                    [index](const Parameter& p) { return p.index == index; });
    return found != parameters.end() ? &*found : nullptr;
}

std::int32_t AnalogBassHarness::Callback(MachineMessage* message) noexcept {
    auto* host = static_cast<AnalogBassHarness*>(message->hostContext);
    const std::int32_t type = message->messageType;
    const std::int32_t index = message->value;
    const auto* text = static_cast<const char*>(message->pointer);
    const auto number = [message] { return *static_cast<const double*>(message->pointer); };
    if (type == kHostDescribeBegin) {
        return 1;
    }
    if (type > kHostDescribeBegin && type <= kHostInfoFlags) {
        const bool carriesText = type == kHostInfoName || type == kHostInfoAuthor ||
                                 type == kHostInfoAlternateName || type == kHostInfoShortName;
        if (carriesText) {
            host->infoTexts[type] = text;
        } else {
            host->infoValues[type] = index;
        }
        return 0;
    }
    if (type == kHostParameterBegin) {
        host->parameters.push_back({index, {}});
        return 0;
    }
    if (type == kHostFolderBegin) {
        host->folders[index] = ParameterFolder{};
        return 0;
    }
    if (type > kHostFolderBegin) {
        ParameterFolder& folder = host->folders[index];
        if (type == kHostFolderParent) {
            folder.parent = message->value2;
        } else if (type == kHostFolderName) {
            folder.name = text;
        } else if (type == kHostFolderFlag) {
            folder.flag = message->value2;
        }
        return 0;
    }
    if (host->parameters.empty() || host->parameters.back().index != index) {
        ADD_FAILURE() << "parameter field " << type << " outside its parameter " << index;
        return 0;
    }
    ParameterDescriptor& parameter = host->parameters.back().descriptor;
    switch (type) {
    case kHostParameterFolder:
        parameter.folder = message->value2;
        break;
    case kHostParameterType:
        parameter.type = message->value2;
        break;
    case kHostParameterFlags:
        parameter.flags = message->value2;
        break;
    case kHostParameterName:
        parameter.name = text;
        break;
    case kHostParameterDescription:
        parameter.description = text;
        break;
    case kHostParameterMinimum:
        parameter.minimum = number();
        break;
    case kHostParameterMaximum:
        parameter.maximum = number();
        break;
    case kHostParameterDefault:
        parameter.defaultValue = number();
        break;
    case kHostParameterResolution:
        parameter.resolution = number();
        break;
    default:
        break;
    }
    return 0;
}

std::span<const double> Window(const std::vector<double>& samples, double fromSeconds,
                               double seconds) {
    const auto from = static_cast<std::size_t>(fromSeconds * AnalogBassHarness::kRate);
    const auto count = static_cast<std::size_t>(seconds * AnalogBassHarness::kRate);
    EXPECT_LE(from + count, samples.size());
    return std::span<const double>(samples).subspan(from, std::min(count, samples.size() - from));
}

} // namespace tarn::test
