// Every screen that reads a whole file, run by the real program over a file a little over
// 4 GiB: checksums against an independent computation, compare with itself and with a copy
// that differs past 4 GiB, the search for its last 4 KiB, split and join back, encrypt and
// decrypt, encode as hexadecimal and decode hexadecimal text past 4 GiB. The file is sparse
// and holds data only in a few marked regions (across 2 GiB, across 4 GiB, at both ends).
//
// To keep the disk use to one full copy at most, outputs that would be whole copies go into
// named pipes, where the test checks every byte as it arrives (and keeps the split's pieces as
// sparse files for the join); only the encrypted file is written to disk in full, and removed
// once it has been decrypted.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "checksum/checksum64_reference.hpp"
#include "support/test_support.hpp"

#if defined(VARNELO_TEST_OPENSSL)
#include <openssl/evp.h>
#endif

namespace varnelo {
namespace {

using testing::TempDir;

constexpr std::int64_t two_gib = std::int64_t{1} << 31;
constexpr std::int64_t four_gib = std::int64_t{1} << 32;
constexpr std::int64_t total = four_gib + 3 * 4096 + 17;
// The first piece of an equal split in two.
constexpr std::int64_t half = total / 2 + total % 2;
constexpr std::int64_t tail_size = 4096;

struct Region {
  std::int64_t offset;
  std::string bytes;
};

// The only bytes of the file that are not zero, in order.
const std::vector<Region>& regions() {
  static const std::vector<Region> list = {
      {0, testing::pattern_bytes(5000, 1)},
      {two_gib - 3000, testing::pattern_bytes(6000, 2)},
      {half - 1000, testing::pattern_bytes(3000, 5)},
      {four_gib - 2500, testing::pattern_bytes(5000, 3)},
      {total - tail_size, testing::pattern_bytes(tail_size, 4)},
  };
  return list;
}

// The bytes [offset, offset + count) of the file.
void expected_at(std::int64_t offset, std::size_t count, char* out) {
  std::memset(out, 0, count);
  std::int64_t end = offset + static_cast<std::int64_t>(count);
  for (const Region& region : regions()) {
    std::int64_t from = std::max(offset, region.offset);
    std::int64_t to = std::min(end, region.offset + static_cast<std::int64_t>(region.bytes.size()));
    if (from < to)
      std::memcpy(out + (from - offset), region.bytes.data() + (from - region.offset),
                  static_cast<std::size_t>(to - from));
  }
}

bool holds_data(std::int64_t offset, std::int64_t count) {
  for (const Region& region : regions())
    if (region.offset < offset + count &&
        offset < region.offset + static_cast<std::int64_t>(region.bytes.size()))
      return true;
  return false;
}

void write_sparse(const std::string& path, const std::vector<Region>& data, std::int64_t size) {
  {
    std::ofstream out(path, std::ios::binary);
    for (const Region& region : data) {
      out.seekp(region.offset);
      out.write(region.bytes.data(), static_cast<std::streamsize>(region.bytes.size()));
    }
  }
  std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
}

// The stream of one output, checked as it arrives against what the file at `base` holds.
class ContentCheck {
 public:
  explicit ContentCheck(std::int64_t base = 0) : base_(base) {}
  void operator()(const char* data, std::size_t size, std::int64_t at) {
    if (mismatch_ >= 0) return;
    expected_.resize(size);
    expected_at(base_ + at, size, expected_.data());
    if (std::memcmp(data, expected_.data(), size) != 0)
      mismatch_ = at + (std::mismatch(data, data + size, expected_.data()).first - data);
  }
  std::int64_t mismatch() const { return mismatch_; }

 private:
  std::int64_t base_;
  std::vector<char> expected_;
  std::int64_t mismatch_ = -1;
};

// A named pipe that the program writes an output into; a thread reads it to its end and hands
// every chunk to `consume` with its offset in the stream.
class PipeSink {
 public:
  using Consume = std::function<void(const char* data, std::size_t size, std::int64_t at)>;

  PipeSink(std::string path, Consume consume) : path_(std::move(path)), consume_(std::move(consume)) {
    EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0) << path_;
    // The reading end is open before the program runs: it refuses a pipe that nobody reads.
    fd_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_GE(fd_, 0) << path_;
    thread_ = std::thread([this] { drain(); });
  }
  ~PipeSink() { finish(); }

  // The bytes that came through; waits for the end of the stream. A program that never opened
  // the pipe is stood in for by an empty writer, so the reader cannot wait for ever.
  std::int64_t finish() {
    if (thread_.joinable()) {
      int writer = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) close(writer);
      thread_.join();
      std::filesystem::remove(path_);
    }
    return received_;
  }

 private:
  void drain() {
    if (fd_ < 0) return;
    // A larger pipe moves the gigabytes in fewer turns between writer and reader (a hint).
    fcntl(fd_, F_SETPIPE_SZ, 1 << 20);
    std::vector<char> buffer(1 << 20);
    for (;;) {
      // Until a writer has come, the pipe reads as empty; waiting on it blocks until the first
      // writer sends data or goes.
      pollfd ready{fd_, POLLIN, 0};
      if (poll(&ready, 1, -1) < 0 && errno != EINTR) break;
      ssize_t got = read(fd_, buffer.data(), buffer.size());
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (got <= 0) break;
      consume_(buffer.data(), static_cast<std::size_t>(got), received_);
      received_ += got;
    }
    close(fd_);
  }

  std::string path_;
  Consume consume_;
  int fd_ = -1;
  std::thread thread_;
  std::atomic<std::int64_t> received_{0};
};

// Keeps what a pipe delivers as a sparse file: blocks of zeros are skipped, not written.
class SparseCopy {
 public:
  SparseCopy(const std::string& path, std::int64_t base)
      : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)), check_(base) {}
  ~SparseCopy() {
    if (ftruncate(fd_, end_) != 0) ADD_FAILURE() << "cannot size the copy";
    close(fd_);
  }
  void operator()(const char* data, std::size_t size, std::int64_t at) {
    check_(data, size, at);
    static const std::vector<char> zeros(1 << 20, 0);
    if (std::memcmp(data, zeros.data(), size) != 0 &&
        pwrite(fd_, data, size, at) != static_cast<ssize_t>(size))
      ADD_FAILURE() << "cannot keep the copy";
    end_ = at + static_cast<std::int64_t>(size);
  }
  std::int64_t mismatch() const { return check_.mismatch(); }

 private:
  int fd_;
  ContentCheck check_;
  std::int64_t end_ = 0;
};

// The hexadecimal text of the file with 16 bytes per line: byte j is written at text offset
// 3j as two digits, followed by a line feed when j is the last of its line and by a blank
// otherwise (nothing after the last byte). Stretches of zero bytes give a text that repeats
// every line, which is compared in one go; the few stretches around data go character by
// character.
class HexTextCheck {
 public:
  static constexpr std::int64_t length = 3 * total - 1;

  HexTextCheck() : zeros_(line * 2 + (1 << 20)) {
    for (std::size_t i = 0; i < zeros_.size(); ++i)
      zeros_[i] = expected_char(static_cast<std::int64_t>(i), 0);
  }

  void operator()(const char* data, std::size_t size, std::int64_t at) {
    if (mismatch_ >= 0) return;
    auto end = at + static_cast<std::int64_t>(size);
    std::int64_t first_byte = at / 3, last_byte = (end - 1) / 3;
    if (end <= length && !holds_data(first_byte, last_byte - first_byte + 1) && last_byte + 1 < total) {
      if (std::memcmp(data, zeros_.data() + at % line, size) != 0) mismatch_ = at;
      return;
    }
    char byte = 0;
    std::int64_t byte_at = -1;
    for (std::int64_t p = at; p < end; ++p) {
      if (p / 3 != byte_at && p / 3 < total) expected_at(byte_at = p / 3, 1, &byte);
      if (p >= length || data[p - at] != expected_char(p, static_cast<unsigned char>(byte))) {
        mismatch_ = p;
        return;
      }
    }
  }
  std::int64_t mismatch() const { return mismatch_; }

 private:
  static constexpr std::int64_t line = 48;

  // The character at text offset p, where the byte it belongs to holds `byte`.
  static char expected_char(std::int64_t p, unsigned char byte) {
    switch (p % 3) {
      case 0:
        return "0123456789abcdef"[byte >> 4];
      case 1:
        return "0123456789abcdef"[byte & 15];
      default:
        return (p / 3) % 16 == 15 ? '\n' : ' ';
    }
  }

  std::vector<char> zeros_;
  std::int64_t mismatch_ = -1;
};

std::string hex(const unsigned char* bytes, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += "0123456789abcdef"[bytes[i] >> 4];
    text += "0123456789abcdef"[bytes[i] & 15];
  }
  return text;
}

// Reads the file once for both references: Checksum64 and, where OpenSSL is at hand, SHA-256.
void reference_checksums(const std::string& path, std::string& checksum64, std::string& sha256) {
  testing::Checksum64Reference reference;
#if defined(VARNELO_TEST_OPENSSL)
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
#endif
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    auto got = static_cast<std::size_t>(in.gcount());
    reference.update(reinterpret_cast<const unsigned char*>(buffer.data()), got);
#if defined(VARNELO_TEST_OPENSSL)
    EVP_DigestUpdate(context, buffer.data(), got);
#endif
  }
  char text[32];
  std::snprintf(text, sizeof text, "%" PRIx64, reference.value());
  checksum64 = text;
#if defined(VARNELO_TEST_OPENSSL)
  unsigned char digest[32];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  EVP_MD_CTX_free(context);
  sha256 = hex(digest, length);
#else
  sha256.clear();
#endif
}

std::string run(const std::string& typed, const TempDir& dir) {
  auto result = testing::run_binary("1\n" + typed, dir.root(), 1500);
  EXPECT_FALSE(result.timed_out) << typed;
  EXPECT_EQ(result.exit_code, 0) << typed;
  return result.output;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string tail_of(const std::string& text) {
  return text.substr(text.size() > 600 ? text.size() - 600 : 0);
}

class BeyondFourGib : public ::testing::Test {
 protected:
  void SetUp() override { write_sparse(dir_.path("big"), regions(), total); }
  TempDir dir_;
};

TEST_F(BeyondFourGib, Checksums) {
  std::string checksum64, sha256;
  reference_checksums(dir_.path("big"), checksum64, sha256);
  std::string output = run("4\n5\nbig\nn\n\n4\n1\nbig\n3\nn\n\n6\n", dir_);
  EXPECT_TRUE(contains(output, "Checksum for file big is : " + checksum64 + "\n")) << tail_of(output);
  if (sha256.empty()) GTEST_SKIP() << "no OpenSSL to check SHA-256 against";
  EXPECT_TRUE(contains(output, "SHA-2 (256 bit) Checksum for file big is :\n" + sha256 + "\n"))
      << tail_of(output);
}

TEST_F(BeyondFourGib, CompareAndContainment) {
  std::vector<Region> different = regions();
  different.push_back({four_gib + 4100, "\x01"});
  std::sort(different.begin(), different.end(),
            [](const Region& a, const Region& b) { return a.offset < b.offset; });
  write_sparse(dir_.path("other"), different, total);
  testing::write_file(dir_.path("tail"), regions().back().bytes);
  testing::write_file(dir_.path("half"), "x");
  std::filesystem::resize_file(dir_.path("half"), static_cast<std::uintmax_t>(half));

  std::string output =
      run("3\n1\nbig\nbig\n\n3\n1\nbig\nother\n\n3\n2\ntail\nbig\n\n3\n1\nbig\nhalf\n\n6\n", dir_);
  EXPECT_TRUE(contains(output, "Files are equal\n")) << tail_of(output);
  EXPECT_TRUE(contains(output, "Files are not equal at position 4294971396\n")) << tail_of(output);
  EXPECT_TRUE(contains(output,
                       "File 1 \"tail\" is part of file 2 \"big\" in position : \n"
                       "--> From 4294975505 to 4294979601\nFound 1 position.\n"))
      << tail_of(output);
  EXPECT_TRUE(contains(
      output, "Size of file 1 \"big\" : 4294979601 Bytes\nSize of file 2 \"half\" : 2147489801 Bytes\n"))
      << tail_of(output);
}

TEST_F(BeyondFourGib, SplitAndJoinBack) {
  std::int64_t first_mismatch, second_mismatch;
  {
    SparseCopy first(dir_.path("piece1"), 0), second(dir_.path("piece2"), half);
    PipeSink first_pipe(dir_.path("p1"), std::ref(first)), second_pipe(dir_.path("p2"), std::ref(second));
    std::string output = run("1\n2\nbig\n2\n1\np1\nY\np2\nY\n\n6\n", dir_);
    EXPECT_TRUE(contains(output, "Completed!")) << tail_of(output);
    EXPECT_EQ(first_pipe.finish(), half);
    EXPECT_EQ(second_pipe.finish(), total - half);
    first_mismatch = first.mismatch();
    second_mismatch = second.mismatch();
  }
  EXPECT_EQ(first_mismatch, -1);
  EXPECT_EQ(second_mismatch, -1);

  ContentCheck joined;
  PipeSink pipe(dir_.path("whole"), std::ref(joined));
  std::string output = run("2\n2\n2\npiece1\npiece2\nwhole\nY\n\n6\n", dir_);
  EXPECT_TRUE(contains(output, "Total filesize : 4294979601 Bytes.\nJoining file, please wait...\n"));
  EXPECT_TRUE(contains(output, "Running time")) << tail_of(output);
  EXPECT_EQ(pipe.finish(), total);
  EXPECT_EQ(joined.mismatch(), -1);
}

TEST_F(BeyondFourGib, EncryptThenDecrypt) {
  const std::string key = "Varnelo 4 GiB key";  // 17 characters, so the key turns past every boundary
  std::string output = run("0\n1\n1\n2\nbig\n" + key + "\nsecret\n\n6\n", dir_);
  EXPECT_TRUE(contains(output, "Completed!")) << tail_of(output);
  ASSERT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(dir_.path("secret"))), total);
  {
    // Spot checks of the additive cipher at both ends and across the boundaries.
    int fd = open(dir_.path("secret").c_str(), O_RDONLY);
    for (std::int64_t at :
         {std::int64_t{0}, two_gib - 1, two_gib, four_gib - 1, four_gib, four_gib + 4100, total - 1}) {
      unsigned char stored = 0;
      char plain = 0;
      ASSERT_EQ(pread(fd, &stored, 1, at), 1);
      expected_at(at, 1, &plain);
      auto want =
          static_cast<unsigned char>(static_cast<unsigned char>(plain) +
                                     static_cast<unsigned char>(key[static_cast<std::size_t>(at % 17)]));
      EXPECT_EQ(stored, want) << "at " << at;
    }
    close(fd);
  }

  ContentCheck plain;
  PipeSink pipe(dir_.path("plain"), std::ref(plain));
  output = run("0\n2\n1\n2\nsecret\n" + key + "\nplain\nY\n\n6\n", dir_);
  std::filesystem::remove(dir_.path("secret"));
  EXPECT_TRUE(contains(output, "Completed!")) << tail_of(output);
  EXPECT_EQ(pipe.finish(), total);
  EXPECT_EQ(plain.mismatch(), -1);
}

TEST_F(BeyondFourGib, EncodeAndDecodeHexadecimal) {
  HexTextCheck text;
  {
    PipeSink pipe(dir_.path("text.txt"), std::ref(text));
    std::string output = run("0\n3\n2\nbig\ntext\nY\n16\n\n6\n", dir_);
    EXPECT_TRUE(contains(output, "Completed!")) << tail_of(output);
    EXPECT_EQ(pipe.finish(), HexTextCheck::length);
  }
  EXPECT_EQ(text.mismatch(), -1) << "first wrong character of the text";

  // Text past 4 GiB: a sparse file whose zero bytes the decoder skips, with digits at both
  // ends, split across 2 GiB and across 4 GiB, and letters that are no digits in between.
  const std::int64_t text_size = four_gib + 4096 + 100;
  write_sparse(dir_.path("sparse.txt"),
               {{0, "4a"},
                {two_gib - 1, "6b"},
                {3 * (four_gib / 4), "xy7"},
                {four_gib - 1, "3c"},
                {text_size - 2, "ff"}},
               text_size);
  std::string output = run("0\n4\n2\nsparse.txt\nbytes\n\n6\n", dir_);
  EXPECT_TRUE(contains(output, "Completed!")) << tail_of(output);
  EXPECT_EQ(dir_.read("bytes"), "\x4a\x6b\x73\xcf");
}

}  // namespace
}  // namespace varnelo
