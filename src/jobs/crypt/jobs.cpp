#include "crypt/jobs.hpp"

#include <optional>

#include "crypt/cipher.hpp"
#include "io/block_pump.hpp"

namespace varnelo {

namespace {

// Four buffers of 512 KiB: a second thread reads up to three ahead while the key is applied
// and the bytes written, and together they fill one 2 MiB page (see platform::allocate_buffers).
constexpr std::size_t transfer_buffer = std::size_t{1} << 19;
constexpr int transfer_buffers = 4;

// A key file read through the file layer.
class FileKey : public KeySource {
 public:
  explicit FileKey(File& file) : file_(file) {}
  bool rewind() override { return file_.seek(0); }
  std::size_t read(std::uint8_t* buffer, std::size_t count) override { return file_.read(buffer, count); }

 private:
  File& file_;
};

}  // namespace

FileFault apply_cipher(File& input, std::int64_t size, Output& output, unsigned operation,
                       const CipherKey& key, const ProgressDisplay& show) {
  std::optional<RepeatingKey> text_key;
  std::optional<FileKey> source;
  std::optional<KeyFileStream> key_stream;
  if (key.file) {
    source.emplace(*key.file);
    key_stream.emplace(*source, key.file_size);
  } else {
    text_key.emplace(key.text);
  }
  const bool measured = size != BlockPump::to_the_end;
  BlockPump pump({.unit = 4096,
                  .progress = {.divisor = measured ? static_cast<std::uint64_t>(size) : 0},
                  .buffer_size = transfer_buffer,
                  .buffers = transfer_buffers});
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> bytes) {
    if (key_stream && !key_stream->apply(operation, bytes.data(), bytes.size())) return Flow::failed();
    if (text_key) text_key->apply(operation, bytes.data(), bytes.size());
    return output.file().write(bytes.data(), bytes.size()) ? Flow::go_on() : Flow::write_error();
  };
  switch (pump.run(input, size).fault) {
    case PumpFault::read:
      return FileFault::read_of(input);
    case PumpFault::consumer:
      return FileFault::read_of(*key.file);
    case PumpFault::write:
      return write_fault(output);
    default:
      break;
  }
  // A failed close can lose written data, so it counts as a failed write.
  if (!output.commit()) return write_fault(output);
  return {};
}

}  // namespace varnelo
