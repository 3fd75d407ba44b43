#include "engine/ParameterStore.h"

namespace tarn {

void ParameterStore::FillTrack(int group, int track, const ParameterMap& descriptors, bool reset) {
    for (const auto& [index, descriptor] : descriptors) {
        const auto [where, made] =
            values_.try_emplace(Key{group, track, index}, descriptor.defaultValue);
        if (reset && !made) {
            where->second = descriptor.defaultValue;
        }
    }
}

bool ParameterStore::Has(int group, int track, int index) const noexcept {
    return values_.find(Key{group, track, index}) != values_.end();
}

double ParameterStore::Read(int group, int track, int index) const noexcept {
    const auto found = values_.find(Key{group, track, index});
    return found != values_.end() ? found->second : 0.0;
}

bool ParameterStore::Write(int group, int track, int index, double value) noexcept {
    const auto found = values_.find(Key{group, track, index});
    if (found == values_.end()) {
        return false;
    }
    found->second = value;
    return true;
}

} // namespace tarn
