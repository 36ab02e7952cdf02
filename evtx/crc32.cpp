#include "evtx/crc32.h"

#include <array>

#include "base/bytes.h"

// The folded versions need PCLMULQDQ and SSE4.1, the wide one also AVX-512's
// VPCLMULQDQ; each is built for those functions alone and taken only after
// the processor is asked, so the rest of the program keeps the default
// instruction set.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAV_CRC32_FOLDS 1
#include <immintrin.h>
#endif

namespace tav::evtx {
namespace {

constexpr std::uint32_t kPolyReflected = 0xEDB88320u;

// Slice-by-16 tables: short inputs, tails, and processors without the
// carry-less multiply.
constexpr std::size_t kSlices = 16;
using Tables = std::array<std::array<std::uint32_t, 256>, kSlices>;

constexpr Tables MakeTables()
{
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? kPolyReflected ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (std::size_t i = 0; i < 256; ++i)
        for (std::size_t s = 1; s < kSlices; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = MakeTables();

std::uint32_t Fold(std::uint32_t word, std::size_t slice)
{
    return kTables[slice + 3][word & 0xFF] ^ kTables[slice + 2][(word >> 8) & 0xFF] ^
           kTables[slice + 1][(word >> 16) & 0xFF] ^ kTables[slice][word >> 24];
}

#ifdef TAV_CRC32_FOLDS

// Folding, in the bit order the bytes load in: a 128-bit register holds
// x^(127-k) in bit k (a 64-bit half: x^(63-k)), and the CRC state x^(31-k).
// The message read so far, M, is kept as a 128-bit A with A = M mod P; the
// checksum state is M x^32 mod P. Taking 128 more bits B and writing
// A = H x^64 + L (H in the low half, as the bytes load):
//   M x^128 + B = H x^192 + L x^128 + B = H (x^192 mod P) + L (x^128 mod P) + B,
// two 64x32-bit products of under 96 bits, so A stays 128 bits wide. Four
// registers side by side fold 512 bits ahead (x^576, x^512) to keep the
// multiplier busy, then fold into one 128 bits apart.
//
// A carry-less product of two such 64-bit halves comes out one place low:
// bit i + j holds x^(126-i-j) where the 128-bit order reads x^(127-i-j), so
// it reads as the product times x, and each constant is x^(e-1) mod P, its
// 32 bits in the high half of a 64-bit lane.
//
// The state continues by adding it to the first 32 bits: (S x^(n-32) + M) x^32
// = S x^n + M x^32, which is what the table loop does.

// x^e mod P, as 32 state bits; one shift of the table loop multiplies by x.
constexpr std::uint32_t XPowModP(unsigned e)
{
    std::uint32_t r = 0x80000000u;
    for (unsigned i = 0; i < e; ++i)
        r = (r >> 1) ^ ((r & 1) ? kPolyReflected : 0);
    return r;
}

constexpr long long FoldConstant(unsigned e)
{
    return static_cast<long long>(std::uint64_t{XPowModP(e - 1)} << 32);
}

// A fold over d bits: x^d for the high half of a register, x^(d+64) for the
// low half. Worked out while compiling.
struct FoldConstants {
    long long high;
    long long low;
};
constexpr FoldConstants kFold512 = {FoldConstant(512), FoldConstant(576)};
constexpr FoldConstants kFold128 = {FoldConstant(128), FoldConstant(192)};
// The reduction's x^64 (high) and x^96 (low).
constexpr FoldConstants kReduce = {FoldConstant(64), FoldConstant(96)};

constexpr std::uint64_t Reflect(std::uint64_t v, unsigned bits)
{
    std::uint64_t r = 0;
    for (unsigned i = 0; i < bits; ++i)
        r |= ((v >> i) & 1) << (bits - 1 - i);
    return r;
}

// floor(x^64 / P) by long division, for the last reduction (Barrett's).
constexpr std::uint64_t BarrettQuotient()
{
    constexpr std::uint64_t poly = 0x104C11DB7u;
    std::uint64_t rem = 0;
    std::uint64_t q = 0;
    for (int i = 64; i >= 0; --i) {
        rem = (rem << 1) | (i == 64 ? 1u : 0u);
        q <<= 1;
        if (rem & (std::uint64_t{1} << 32)) {
            rem ^= poly;
            q |= 1;
        }
    }
    return q;
}

// 33-bit reflected forms: P (bit k is x^(32-k)) and floor(x^64 / P).
constexpr long long kPoly33 = static_cast<long long>((std::uint64_t{kPolyReflected} << 1) | 1);
constexpr long long kQuotient33 = static_cast<long long>(Reflect(BarrettQuotient(), 33));
static_assert(kPoly33 == static_cast<long long>(Reflect(0x104C11DB7u, 33)));

// Four registers' worth at least; below that, the setup and the last
// reduction leave little to gain over the tables.
constexpr std::size_t kFoldMinimum = 64;

#define TAV_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

// a x^d + b, with k holding the constants of a's two halves for the distance d.
TAV_FOLD_TARGET inline __m128i FoldInto(__m128i a, __m128i k, __m128i b)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)),
                         b);
}

TAV_FOLD_TARGET inline __m128i Load(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The state A x^32 mod P. A x^32 = H x^96 + L x^32 comes to 96 bits T;
// T = T1 x^64 + T0 with T1 of 32 bits gives T1 (x^64 mod P) + T0, 64 bits U;
// and U mod P is U + floor(floor(U / x^32) floor(x^64 / P) / x^32) P,
// whose low 32 bits are the state.
TAV_FOLD_TARGET std::uint32_t Reduce(__m128i a)
{
    const __m128i k96and64 = _mm_set_epi64x(kReduce.high, kReduce.low);
    const __m128i barrett = _mm_set_epi64x(kPoly33, kQuotient33);
    const __m128i low = _mm_srli_si128(_mm_unpackhi_epi64(_mm_setzero_si128(), a), 4);
    const __m128i t = _mm_xor_si128(_mm_clmulepi64_si128(a, k96and64, 0x00), low);
    const __m128i u = _mm_xor_si128(_mm_clmulepi64_si128(t, k96and64, 0x10), t);
    const auto u64 = static_cast<std::uint64_t>(_mm_extract_epi64(u, 1));
    const __m128i q = _mm_clmulepi64_si128(_mm_cvtsi32_si128(static_cast<int>(u64)), barrett, 0x00);
    const __m128i qp = _mm_clmulepi64_si128(_mm_cvtsi32_si128(_mm_cvtsi128_si32(q)), barrett, 0x10);
    return static_cast<std::uint32_t>((u64 ^ static_cast<std::uint64_t>(_mm_cvtsi128_si64(qp))) >> 32);
}

// Four registers 128 bits apart folded into one, then the rest of the
// bytes: 16 at a time, the last few by the tables.
TAV_FOLD_TARGET inline std::uint32_t FoldRest(__m128i x0, __m128i x1, __m128i x2, __m128i x3, const std::uint8_t* p,
                                              std::size_t n)
{
    const __m128i k128 = _mm_set_epi64x(kFold128.high, kFold128.low);
    __m128i a = FoldInto(FoldInto(FoldInto(x0, k128, x1), k128, x2), k128, x3);
    for (; n >= 16; p += 16, n -= 16)
        a = FoldInto(a, k128, Load(p));
    return Crc32Table({p, n}, ~Reduce(a));
}

// At least kFoldMinimum bytes.
TAV_FOLD_TARGET std::uint32_t Crc32Folded(const std::uint8_t* p, std::size_t n, std::uint32_t crc)
{
    const __m128i k512 = _mm_set_epi64x(kFold512.high, kFold512.low);
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(~crc)));
    __m128i x1 = Load(p + 16);
    __m128i x2 = Load(p + 32);
    __m128i x3 = Load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x0 = FoldInto(x0, k512, Load(p));
        x1 = FoldInto(x1, k512, Load(p + 16));
        x2 = FoldInto(x2, k512, Load(p + 32));
        x3 = FoldInto(x3, k512, Load(p + 48));
    }
    return FoldRest(x0, x1, x2, x3, p, n);
}

// GCC 12's AVX-512 headers hand the instructions' unused merge operand an
// undefined vector on purpose, and then warn of it (as "may be used
// uninitialized" at -O2).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The same folds four 128-bit lanes to an instruction (AVX-512's carry-less
// multiply): four registers side by side fold 2048 bits ahead, then into
// one 512 bits apart, whose lanes end as the narrow version's four.
constexpr FoldConstants kFold2048 = {FoldConstant(2048), FoldConstant(2112)};
constexpr std::size_t kWideMinimum = 256;

#define TAV_WIDE_TARGET __attribute__((target("vpclmulqdq,avx512f,pclmul,sse4.1")))

TAV_WIDE_TARGET inline __m512i FoldInto(__m512i a, __m512i k, __m512i b)
{
    // a's low halves times k's, a's high halves times k's, and b: one
    // three-way exclusive or (truth table 0x96).
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(a, k, 0x00), _mm512_clmulepi64_epi128(a, k, 0x11), b,
                                     0x96);
}

TAV_WIDE_TARGET inline __m512i Load512(const std::uint8_t* p)
{
    return _mm512_loadu_si512(p);
}

// A fold's constants in each 128-bit lane.
TAV_WIDE_TARGET inline __m512i InEachLane(FoldConstants k)
{
    return _mm512_set_epi64(k.high, k.low, k.high, k.low, k.high, k.low, k.high, k.low);
}

// 128-bit lane K, moved to the bottom: not through the stack, whose
// alignment for 512 bits not every compiler keeps.
template <int K>
TAV_WIDE_TARGET inline __m128i Lane(__m512i z)
{
    return _mm512_castsi512_si128(_mm512_shuffle_i32x4(z, z, K));
}

// At least kWideMinimum bytes.
TAV_WIDE_TARGET std::uint32_t Crc32Wide(const std::uint8_t* p, std::size_t n, std::uint32_t crc)
{
    const __m512i k2048 = InEachLane(kFold2048);
    const __m512i k512 = InEachLane(kFold512);
    __m512i z0 = _mm512_xor_si512(Load512(p), _mm512_castsi128_si512(_mm_cvtsi32_si128(static_cast<int>(~crc))));
    __m512i z1 = Load512(p + 64);
    __m512i z2 = Load512(p + 128);
    __m512i z3 = Load512(p + 192);
    p += 256;
    n -= 256;
    for (; n >= 256; p += 256, n -= 256) {
        z0 = FoldInto(z0, k2048, Load512(p));
        z1 = FoldInto(z1, k2048, Load512(p + 64));
        z2 = FoldInto(z2, k2048, Load512(p + 128));
        z3 = FoldInto(z3, k2048, Load512(p + 192));
    }
    __m512i z = FoldInto(FoldInto(FoldInto(z0, k512, z1), k512, z2), k512, z3);
    for (; n >= 64; p += 64, n -= 64)
        z = FoldInto(z, k512, Load512(p));
    return FoldRest(Lane<0>(z), Lane<1>(z), Lane<2>(z), Lane<3>(z), p, n);
}

#pragma GCC diagnostic pop

enum class Folds { None, Narrow, Wide };

Folds ProcessorFolds()
{
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("pclmul") || !__builtin_cpu_supports("sse4.1"))
        return Folds::None;
    return __builtin_cpu_supports("vpclmulqdq") && __builtin_cpu_supports("avx512f") ? Folds::Wide : Folds::Narrow;
}

#endif  // TAV_CRC32_FOLDS

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc)
{
#ifdef TAV_CRC32_FOLDS
    static const Folds folds = ProcessorFolds();
    if (folds == Folds::Wide && bytes.size() >= kWideMinimum)
        return Crc32Wide(bytes.data(), bytes.size(), crc);
    if (folds != Folds::None && bytes.size() >= kFoldMinimum)
        return Crc32Folded(bytes.data(), bytes.size(), crc);
#endif
    return Crc32Table(bytes, crc);
}

std::uint32_t Crc32Table(std::span<const std::uint8_t> bytes, std::uint32_t crc)
{
    crc = ~crc;
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    while (n >= kSlices) {
        crc = Fold(crc ^ LoadU32(p), 12) ^ Fold(LoadU32(p + 4), 8) ^ Fold(LoadU32(p + 8), 4) ^
              Fold(LoadU32(p + 12), 0);
        p += kSlices;
        n -= kSlices;
    }
    while (n-- > 0)
        crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace tav::evtx
