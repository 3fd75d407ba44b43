#pragma once

#include "engine/AnalyzerRing.h"
#include "tarn/MachineAbi.h"

#include <vector>

namespace tarn {

// The channel buffers on one side (inputs or outputs) of a Node: per channel
// kMaxChunkFrames doubles, the ChannelBufferRecord machines read and an
// analyzer ring. Sized once at set-up, but for the rings' samples, which
// take eight times the room and are made only when something first watches
// them (ProvideRings). The audio thread only reads and writes the samples
// and the GUI thread the connected flags and the rings' storage, all under
// the project lock.
class ChannelBufferSet {
public:
    ChannelBufferSet() = default;
    // The records point into the set's own storage: a copy would point into
    // the original's, so only moves are allowed.
    ChannelBufferSet(const ChannelBufferSet&) = delete;
    ChannelBufferSet& operator=(const ChannelBufferSet&) = delete;
    ChannelBufferSet(ChannelBufferSet&&) = default;
    ChannelBufferSet& operator=(ChannelBufferSet&&) = default;

    // Makes count zeroed channels, all unconnected, with rings that have no
    // samples yet. False for a negative count or when memory runs out; the
    // set is then empty.
    bool Allocate(int count);
    // Gives every ring its zeroed samples, unless they have them already.
    // False when memory runs out; the rings then stay without. GUI thread,
    // project lock held.
    bool ProvideRings();

    int Count() const { return static_cast<int>(records_.size()); }
    bool Has(int channel) const { return channel >= 0 && channel < Count(); }

    double* Samples(int channel) { return records_[channel].samples; }
    const double* Samples(int channel) const { return records_[channel].samples; }
    bool Connected(int channel) const { return (records_[channel].connected & 1) != 0; }
    void SetConnected(int channel) { records_[channel].connected = 1; }
    void ClearConnected();

    // A ring's samples are null until ProvideRings.
    AnalyzerRing& Ring(int channel) { return rings_[channel]; }
    const AnalyzerRing& Ring(int channel) const { return rings_[channel]; }

    // The array of record pointers a WorkRecord carries; null when empty.
    ChannelBufferRecord** Records() { return pointers_.empty() ? nullptr : pointers_.data(); }

private:
    void Release();

    std::vector<double> samples_;
    std::vector<ChannelBufferRecord> records_;
    std::vector<ChannelBufferRecord*> pointers_;
    std::vector<double> ringSamples_;
    std::vector<AnalyzerRing> rings_;
};

} // namespace tarn
