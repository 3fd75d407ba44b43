#pragma once

namespace tarn {

// Song tempo in the four forms the engine needs. One lives in every Project,
// one in the engine (the rate the audio driver runs at, handed to every new
// project) and one process-wide copy (GlobalTempo). Written with the project
// lock held.
struct TempoRecord {
    static constexpr double kDefaultSampleRate = 44100.0;
    static constexpr double kDefaultBpm = 60.0;

    double bpm = kDefaultBpm;
    double beatsPerSample = kDefaultBpm / 60.0 / kDefaultSampleRate;
    double sampleRate = kDefaultSampleRate; // frames per second
    double samplesPerBeat = kDefaultSampleRate * 60.0 / kDefaultBpm;

    // Takes a new tempo and derives the per-sample figures from it and the
    // record's own sample rate.
    void SetBpm(double beatsPerMinute) noexcept;
    // Takes a new rate and derives the per-sample figures from it and the
    // record's own tempo.
    void SetSampleRate(double framesPerSecond) noexcept;
};

// The process-wide tempo copies that the Node output stages and input mixes
// read for event lengths. Written by the tempo update and the project loader
// and read inside the work cycle, all under the project lock. The sample
// rate is the one the DSP library was initialised for; it starts at 60 BPM.
TempoRecord& GlobalTempo() noexcept;

} // namespace tarn
