#pragma once

#include "document/ProjectDocument.h"
#include "engine/Wave.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tarn {

// The wavetable's side of the project file: a live wave to its record and
// back.

// The record of the wave at index, which holds a sound: format, one data block per channel
// sharing the wave's sound, the loop points. Copies no sample.
WaveDoc SnapshotWave(int index, const Wave& wave);

// The bytes a data block stores: the samples as little-endian 32-bit floats.
// A block read from a file holds them itself; a snapshot's are its sound's
// memory where the host is little-endian, else converted into scratch. Valid
// while data and scratch are.
std::span<const std::uint8_t> StoredSampleBytes(const WaveDataDoc& data,
                                                std::vector<std::uint8_t>& scratch);

// The wave a record describes, in the current layout or in the first one
// (format in the record itself, channels interleaved in one block; one
// warning line says so). Every size is checked against the bytes the record
// holds: a wave whose blocks do not match its format, or that is not 32-bit
// float, is null after one warning line naming its index, so a damaged
// sample never costs more than itself.
std::unique_ptr<Wave> BuildWave(const WaveDoc& doc);

} // namespace tarn
