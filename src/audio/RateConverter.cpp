#include "audio/RateConverter.h"

#include <soxr.h>

#include <cmath>
#include <vector>

namespace tarn {
namespace {

// Headroom beyond the exact ratio: libsoxr answers whatever its filter has
// ready, which may run a few frames ahead of the ratio in one call.
constexpr std::size_t kOutputSlack = 64;
// Enough blocks for libsoxr 0.1.3 to reach its steady state, with margin.
constexpr int kPrimingBlocks = 8;

} // namespace

void RateConverter::Release::operator()(soxr* resampler) const noexcept {
    soxr_delete(resampler);
}

RateConverter::RateConverter(int inputRate, int outputRate, int channels,
                             std::size_t maxInputFrames)
    : inputRate_(inputRate), outputRate_(outputRate), channels_(channels),
      maxInputFrames_(maxInputFrames),
      maxOutputFrames_(static_cast<std::size_t>(std::ceil(static_cast<double>(maxInputFrames) *
                                                          outputRate / inputRate)) +
                       kOutputSlack) {
    Restart();
}

RateConverter::~RateConverter() = default;

std::string RateConverter::Describe() const {
    return std::to_string(inputRate_) + " Hz to " + std::to_string(outputRate_) +
           " Hz by libsoxr (" + soxr_engine(resampler_.get()) + ")";
}

void RateConverter::Restart() {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // One thread: the caller is the audio thread and must not wait for others.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    // A new resampler rather than soxr_clear, which frees the queues the
    // priming below has made.
    resampler_.reset(soxr_create(inputRate_, outputRate_, static_cast<unsigned>(channels_), &error,
                                 &io, &quality, &runtime));
    if (error != nullptr) {
        error_ = error;
        resampler_.reset();
        return;
    }
    // libsoxr grows its internal queues over the first few blocks it sees:
    // silent blocks of the largest size, converted and dropped here, make
    // them before the stream does. The filter then holds only silence, which
    // plays ahead of the stream.
    const std::vector<std::int16_t> silence(maxInputFrames_ * channels_, 0);
    std::vector<float> discard(maxOutputFrames_ * channels_);
    for (int block = 0; block < kPrimingBlocks; ++block) {
        Process(silence.data(), maxInputFrames_, discard.data());
    }
}

std::size_t RateConverter::Process(const std::int16_t* input, std::size_t frames,
                                   float* output) noexcept {
    if (!Valid()) {
        return 0;
    }
    std::size_t used = 0;
    std::size_t made = 0;
    soxr_process(resampler_.get(), input, frames, &used, output, maxOutputFrames_, &made);
    return made;
}

std::size_t RateConverter::Flush(float* output) noexcept {
    if (!Valid()) {
        return 0;
    }
    std::size_t made = 0;
    soxr_process(resampler_.get(), nullptr, 0, nullptr, output, maxOutputFrames_, &made);
    return made;
}

} // namespace tarn
