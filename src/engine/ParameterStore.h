#pragma once

#include "engine/SystemParameters.h"

#include <cstdint>
#include <map>
#include <tuple>

namespace tarn {

// A Node's parameter values, per group, track and parameter index, for the
// parameters the Node keeps itself (machine-held ones live in the machine).
// Records are made on the GUI thread (set-up, track count, new Connections);
// reads and writes of existing records allocate nothing and may run on the
// audio thread. Callers hold the project lock, or the Node lock for values
// a machine reports.
class ParameterStore {
public:
    // Makes the track's records for every descriptor, each holding its
    // default. Records that already exist keep their values, unless reset.
    void FillTrack(int group, int track, const ParameterMap& descriptors, bool reset);

    bool Has(int group, int track, int index) const noexcept;
    // 0.0 when there is no such record.
    double Read(int group, int track, int index) const noexcept;
    // False, and nothing stored, when there is no such record.
    bool Write(int group, int track, int index, double value) noexcept;

    // Calls visit(group, track, index, value) for every record, in that
    // order of keys.
    template <typename Visit> void ForEach(Visit&& visit) const {
        for (const auto& [key, value] : values_) {
            visit(std::get<0>(key), std::get<1>(key), std::get<2>(key), value);
        }
    }

private:
    using Key = std::tuple<int, int, int>; // group, track, index
    std::map<Key, double> values_;
};

} // namespace tarn
