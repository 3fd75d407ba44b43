#include "editing/ParameterInput.h"

#include "tarn/MachineAbi.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace tarn {
namespace {

constexpr int kSearchSteps = 64;
// Whole-number parameters with at most this many values are also found by
// the name their display gives each value.
constexpr double kMostNamedValues = 1024.0;

std::string Lower(std::string_view text) {
    std::string lower;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) == 0) {
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return lower;
}

// The first number of a text: "-6 db", "30.00%", "1/4", "-inf".
std::optional<double> FirstNumber(std::string_view text) {
    const std::string lower = Lower(text);
    const std::size_t start = lower.find_first_of("+-.0123456789");
    if (start == std::string::npos) {
        return std::nullopt;
    }
    const std::string rest = lower.substr(start);
    if (rest.starts_with("-inf") || rest.starts_with("+inf")) {
        return rest[0] == '-' ? -std::numeric_limits<double>::infinity()
                              : std::numeric_limits<double>::infinity();
    }
    char* end = nullptr;
    double number = std::strtod(rest.c_str(), &end);
    if (end == rest.c_str() || std::isinf(number) || std::isnan(number)) {
        return std::nullopt;
    }
    if (*end == '/') {
        char* below = nullptr;
        const double denominator = std::strtod(end + 1, &below);
        if (below != end + 1 && denominator != 0.0) {
            number /= denominator;
        }
    }
    return number;
}

double Fit(const ParameterDescriptor& descriptor, double value) {
    value = std::clamp(value, std::min(descriptor.minimum, descriptor.maximum),
                       std::max(descriptor.minimum, descriptor.maximum));
    return descriptor.type == kTypeDouble ? value : std::trunc(value);
}

// The value whose display shows number, when the display follows the
// value one way over the range; none otherwise.
std::optional<double> SearchDisplay(const ParameterDescriptor& descriptor,
                                    const std::function<std::string(double)>& display,
                                    double number) {
    const auto shown = [&](double value) { return FirstNumber(display(value)); };
    double low = std::min(descriptor.minimum, descriptor.maximum);
    double high = std::max(descriptor.minimum, descriptor.maximum);
    const std::optional<double> atLow = shown(low);
    const std::optional<double> atHigh = shown(high);
    if (!atLow || !atHigh || *atLow == *atHigh) {
        return std::nullopt;
    }
    const bool rising = *atHigh > *atLow;
    if (rising ? number <= *atLow : number >= *atLow) {
        return low;
    }
    if (rising ? number >= *atHigh : number <= *atHigh) {
        return high;
    }
    // The display rounds: the values that show the number typed span a
    // stretch, whose middle is taken. Below is the first value that shows
    // it or more (in the display's direction), above the last that shows
    // it or less.
    const auto edge = [&](bool below) -> std::optional<double> {
        double from = low;
        double to = high;
        for (int step = 0; step < kSearchSteps; ++step) {
            const double middle = from + (to - from) / 2.0;
            const std::optional<double> atMiddle = shown(middle);
            if (!atMiddle) {
                return std::nullopt;
            }
            const bool beforeEdge = below ? (rising ? *atMiddle < number : *atMiddle > number)
                                          : (rising ? *atMiddle <= number : *atMiddle >= number);
            (beforeEdge ? from : to) = middle;
        }
        return below ? to : from;
    };
    const std::optional<double> first = edge(true);
    const std::optional<double> last = edge(false);
    if (!first || !last) {
        return std::nullopt;
    }
    double found = std::max(*first, *last) - std::abs(*last - *first) / 2.0;
    if (descriptor.type != kTypeDouble) {
        found = std::round(found);
    }
    // A display that does not follow the value one way shows something
    // else there.
    const std::optional<double> check = shown(found);
    const double tolerance = std::max(std::abs(number) * 0.01, 0.01);
    if (!check || std::abs(*check - number) > tolerance) {
        return std::nullopt;
    }
    return found;
}

} // namespace

std::optional<double> ReadTypedValue(const ParameterDescriptor& descriptor,
                                     const std::function<std::string(double)>& display,
                                     std::string_view typed) {
    const double low = std::min(descriptor.minimum, descriptor.maximum);
    const double high = std::max(descriptor.minimum, descriptor.maximum);
    if (descriptor.type != kTypeDouble && high - low < kMostNamedValues) {
        const std::string wanted = Lower(typed);
        for (double value = low; value <= high && !wanted.empty(); value += 1.0) {
            if (Lower(display(value)) == wanted) {
                return value;
            }
        }
    }
    const std::optional<double> number = FirstNumber(typed);
    if (!number) {
        return std::nullopt;
    }
    const std::optional<double> found = SearchDisplay(descriptor, display, *number);
    return Fit(descriptor, found.value_or(*number));
}

} // namespace tarn
