#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "checksum/progress_plan.hpp"
#include "shell/file.hpp"

namespace varnelo {

// How the file is read: a second thread reads ahead of a consumer slower than the system's copy
// (the block hashes); a consumer that outruns the copy (Checksum64) reads in turn, since a second
// thread would only move every byte from one core's cache to the other's.
enum class Reading { ahead, in_turn };

// Reads `length` bytes from the file's current position in large buffers and hands them to
// `consume`, calling `show(percent, bytes)` where the per-unit loop of `plan` would: the call
// for unit i comes once the first min(i * unit_bytes, length) bytes have been consumed, and
// reports i * unit_bytes. The calls due after the last byte are made before returning.
// Returns false, without those last calls, when the file delivered fewer bytes than `length`.
bool feed_file(File& file, std::uint64_t length, ProgressPlan& plan, std::uint64_t unit_bytes,
               const std::function<void(std::uint16_t percent, std::int64_t bytes)>& show,
               const std::function<void(const std::uint8_t* data, std::size_t size)>& consume,
               Reading reading = Reading::ahead);

}  // namespace varnelo
