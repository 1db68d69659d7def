#include "crypt/transform.hpp"

#include "io/block_pump.hpp"

namespace varnelo {

namespace {

// Four buffers of 512 KiB: a second thread reads up to three ahead while the key is applied
// and the bytes written, and together they fill one 2 MiB page (see platform::allocate_buffers).
constexpr std::size_t transfer_buffer = std::size_t{1} << 19;
constexpr int transfer_buffers = 4;

}  // namespace

TransformFault transform(File& input, std::int64_t size, File& output,
                         const std::function<bool(std::uint8_t*, std::size_t)>& apply_key,
                         const std::function<void(std::uint16_t, std::int64_t)>& show) {
  const bool measured = size != BlockPump::to_the_end;
  BlockPump pump({.unit = 4096,
                  .progress = {.divisor = measured ? static_cast<std::uint64_t>(size) : 0},
                  .buffer_size = transfer_buffer,
                  .buffers = transfer_buffers});
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> bytes) {
    if (!apply_key(bytes.data(), bytes.size())) return Flow::failed();
    return output.write(bytes.data(), bytes.size()) ? Flow::go_on() : Flow::write_error();
  };
  switch (pump.run(input, size).fault) {
    case PumpFault::read:
      return TransformFault::read;
    case PumpFault::consumer:
      return TransformFault::key;
    case PumpFault::write:
      return TransformFault::write;
    default:
      return TransformFault::none;
  }
}

}  // namespace varnelo
