#pragma once

// Compression functions of the block hashes: each consumes `count` whole blocks and updates the
// state in place. The x86 variants exist only in x86-64 builds and may be called only when
// cpu_features() says the processor has the instructions.

#include <cstddef>
#include <cstdint>

namespace varnelo::compress {

void sha512_portable(std::uint64_t* state, const std::uint8_t* blocks, std::size_t count);
void sha256_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);
void sha1_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);
void ripemd160_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);
void md5_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

#if defined(VARNELO_X86_SHA)
void sha256_x86(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);
// Two messages at once, `count` blocks of each.
void sha256_x86_two(std::uint32_t* state_a, const std::uint8_t* blocks_a, std::uint32_t* state_b,
                    const std::uint8_t* blocks_b, std::size_t count);
void sha1_x86(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);
void sha512_avx2(std::uint64_t* state, const std::uint8_t* blocks, std::size_t count);
void sha512_avx512(std::uint64_t* state, const std::uint8_t* blocks, std::size_t count);
#endif

}  // namespace varnelo::compress
