#pragma once

#include "tarn/MachineAbi.h"

#include <map>
#include <string>
#include <vector>

namespace tarn::test {

// The host end of a machine's description and of its later reports:
// info fields, parameters and programs as they arrive, and every
// parameter change the machine tells of.
struct DescriptionRecorder {
    struct Parameter {
        std::string name;
        std::int32_t type = 0;
        std::int32_t flags = 0;
        double defaultValue = 0.0;
    };

    HostLink link{this, &Callback, nullptr};
    std::map<std::int32_t, std::string> texts;   // by info message type
    std::map<std::int32_t, std::int32_t> values; // by info message type
    std::map<std::int32_t, Parameter> parameters;
    std::vector<std::string> programs;
    std::vector<std::pair<std::int32_t, double>> changes;

private:
    static std::int32_t Callback(MachineMessage* message) noexcept {
        auto& self = *static_cast<DescriptionRecorder*>(message->hostContext);
        const auto text = [message] { return std::string(static_cast<char*>(message->pointer)); };
        const auto number = [message] { return *static_cast<const double*>(message->pointer); };
        switch (message->messageType) {
        case kHostInfoName:
        case kHostInfoShortName:
        case kHostInfoAuthor:
        case kHostInfoAlternateName:
            self.texts[message->messageType] = text();
            break;
        case kHostParameterName:
            self.parameters[message->value].name = text();
            break;
        case kHostParameterType:
            self.parameters[message->value].type = message->value2;
            break;
        case kHostParameterFlags:
            self.parameters[message->value].flags = message->value2;
            break;
        case kHostParameterDefault:
            self.parameters[message->value].defaultValue = number();
            break;
        case kHostProgramName:
            self.programs.push_back(text());
            break;
        case kHostParameterChanged:
            self.changes.emplace_back(message->value, number());
            break;
        default:
            if (message->messageType > kHostDescribeBegin &&
                message->messageType <= kHostInfoFlags) {
                self.values[message->messageType] = message->value;
            }
            break;
        }
        return 1;
    }
};

} // namespace tarn::test
