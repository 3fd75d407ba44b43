#include "GeneratorHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace tarn::test {

GeneratorHarness::GeneratorHarness(std::unique_ptr<Machine> machine, int bpm)
    : machine_(std::move(machine)), host_(*machine_, bpm, &link_) {
    for (const Parameter& parameter : parameters) {
        if (parameter.descriptor.type != kTypeNote) {
            Set(parameter.index, parameter.descriptor.defaultValue);
        }
    }
    // The defaults reach the machine before its first frame, as the Node's
    // announcements do.
    Render(0);
}

void GeneratorHarness::Set(std::int32_t index, double value, int offset) {
    host_.Queue(index, value, offset);
}

void GeneratorHarness::Note(double note, double lengthBeats, double velocity, int offset,
                            std::int32_t index) {
    host_.QueueNote(index, note, lengthBeats, velocity, offset);
}

std::vector<double> GeneratorHarness::Render(int frames) {
    MachineHost::Stereo out = host_.Run(frames);
    EXPECT_EQ(out.left, out.right) << "a mono machine writes the same to both outputs";
    return std::move(out.left);
}

std::vector<double> GeneratorHarness::RenderSeconds(double seconds) {
    return Render(static_cast<int>(seconds * kRate));
}

std::int32_t GeneratorHarness::Send(std::int32_t type, std::int32_t value, void* pointer,
                                    void* extra) {
    return host_.Send(type, value, pointer, extra);
}

std::int32_t GeneratorHarness::Format(std::int32_t index, double value, std::string& text) {
    std::array<char, 256> buffer{};
    const std::int32_t answer = Send(kMsgFormatValue, index, &value, buffer.data());
    text = buffer.data();
    return answer;
}

const GeneratorHarness::Parameter* GeneratorHarness::Find(std::int32_t index) const {
    const auto found = std::find_if(parameters.begin(), parameters.end(),
                                    [index](const Parameter& p) { return p.index == index; });
    return found != parameters.end() ? &*found : nullptr;
}

std::int32_t GeneratorHarness::Callback(MachineMessage* message) noexcept {
    auto* host = static_cast<GeneratorHarness*>(message->hostContext);
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
    const auto from = static_cast<std::size_t>(fromSeconds * MachineHost::kRate);
    const auto count = static_cast<std::size_t>(seconds * MachineHost::kRate);
    EXPECT_LE(from + count, samples.size());
    return std::span<const double>(samples).subspan(from, std::min(count, samples.size() - from));
}

double JumpEveryParameter(GeneratorHarness& host) {
    const int chunks = static_cast<int>(10 * GeneratorHarness::kRate / kMaxChunkFrames);
    double peak = 0.0;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        for (const GeneratorHarness::Parameter& p : host.parameters) {
            const ParameterDescriptor& d = p.descriptor;
            if (d.type == kTypeNote) {
                if (chunk % 4 == 0) {
                    host.Note((chunk * 37 + p.index) % 128, 0.1, chunk % 12 == 8 ? 0.0 : 1.0,
                              chunk % 256, p.index);
                }
            } else {
                host.Set(p.index, (chunk + p.index) % 2 != 0 ? d.maximum : d.minimum);
            }
        }
        const GeneratorHarness::Stereo out = host.RenderStereo(kMaxChunkFrames);
        EXPECT_TRUE(AllFinite(out.left) && AllFinite(out.right)) << "chunk " << chunk;
        if (!AllFinite(out.left) || !AllFinite(out.right)) {
            return HUGE_VAL;
        }
        peak = std::max({peak, Peak(out.left), Peak(out.right)});
    }
    return peak;
}

} // namespace tarn::test
