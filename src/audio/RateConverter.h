#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct soxr; // libsoxr's resampler

namespace tarn {

// Converts interleaved 16-bit blocks rendered at one rate into interleaved
// float frames at another (full scale +-1.0), for a device whose rate the
// engine does not render at. Built on libsoxr at its high quality (a 20-bit
// noise floor, pass band to 91 % of the lower Nyquist rate), single-threaded.
//
// Threads: construction and Restart belong to the owner; Process and Flush to
// one streaming thread at a time. Once Restart has run, Process allocates
// nothing for blocks of at most maxInputFrames.
class RateConverter {
public:
    RateConverter(int inputRate, int outputRate, int channels, std::size_t maxInputFrames);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // False when the library refused the conversion; the reason is in Error().
    bool Valid() const { return resampler_ != nullptr; }
    const std::string& Error() const { return error_; }
    // One line for the console, e.g. "44100 Hz to 48000 Hz by libsoxr (cr32s)".
    std::string Describe() const;

    // Most frames one Process of maxInputFrames (or one Flush call) answers.
    std::size_t MaxOutputFrames() const { return maxOutputFrames_; }

    // Forgets every frame it holds and readies itself for a new stream; owner
    // thread only, as it allocates.
    void Restart();
    // Converts `frames` frames; writes at most MaxOutputFrames() frames to
    // `output` and answers how many it wrote.
    std::size_t Process(const std::int16_t* input, std::size_t frames, float* output) noexcept;
    // Ends the stream: answers the next part of the frames still held back by
    // the filter, 0 once all are out. Process needs a Restart afterwards.
    std::size_t Flush(float* output) noexcept;

private:
    struct Release {
        void operator()(soxr* resampler) const noexcept;
    };

    int inputRate_;
    int outputRate_;
    int channels_;
    std::size_t maxInputFrames_;
    std::size_t maxOutputFrames_;
    std::unique_ptr<soxr, Release> resampler_;
    std::string error_;
};

} // namespace tarn
