#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "io/file.hpp"

namespace varnelo {

// Reads a run of a file on a second thread, a few buffers ahead of the caller, so that the
// system's copy out of the file overlaps the caller's work on the bytes before it. The caller
// never waits for that thread to be given time: when the next buffer is not read yet, it reads
// it itself. Only these reads touch the file while this lives; the destructor stops and joins
// the thread, also when an exception unwinds. With one buffer, or a run that fits one buffer,
// every read happens in the caller's turn.
class ReadAhead {
 public:
  // Reads `count` bytes from the file's position into `buffers` buffers of `buffer_size` bytes.
  ReadAhead(File& file, std::int64_t count, std::size_t buffer_size, int buffers);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The bytes of the next read in file order, the caller's to change until the next call; empty
  // after the last. A read that came short (the file ended early or failed) is handed out with
  // the bytes it got, came_short() is true from then on, and nothing follows it.
  std::span<std::uint8_t> next();
  bool came_short() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace varnelo
