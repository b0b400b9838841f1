#include "position/canonical.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "base/bytes16.h"
#include "position/movegen.h"
#include "position/position.h"

namespace vestrel {

namespace {

constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
constexpr std::uint64_t kLow7Bits = 0x7F7F7F7F7F7F7F7Fu;

// The top bit of each zero byte of the word, and no other bit: no carry crosses bytes.
constexpr std::uint64_t zeroBytes(std::uint64_t word) {
    return ~(((word & kLow7Bits) + kLow7Bits) | word | kLow7Bits);
}

// Whether a word of a placement, read from its start, settles the question: a pawn before any
// space (true), or a space first (false). Nothing settled leaves `settled` false.
bool pawnBeforeSpace(std::uint64_t word, bool& settled) {
    const std::uint64_t spaces = zeroBytes(word ^ (kEveryByte * ' '));
    // "P" and "p" are the only bytes that give "p" with the 0x20 bit set.
    const std::uint64_t pawns = zeroBytes((word | (kEveryByte * 0x20)) ^ (kEveryByte * 'p'));
    settled = (spaces | pawns) != 0;
    // The bits below the first space's top bit cover the bytes before it.
    return (pawns & ((spaces & (~spaces + 1)) - 1)) != 0;
}

}  // namespace

bool placementHasPawn(std::string_view key) {
    static_assert(std::endian::native == std::endian::little, "byte 0 is the low end of a word");
    const char* bytes = key.data();
    const std::size_t size = key.size();
    std::size_t at = 0;
    // Sixteen bytes at a time; the bytes that fill no block go on to the word test below.
    for (; at + 16 <= size; at += 16) {
        const Bytes16 block = load16(bytes + at);
        const std::uint32_t spaces = markBits(Bytes16(block == ' '));
        const std::uint32_t pawns = markBits(Bytes16((block | 0x20) == 'p'));
        if ((spaces | pawns) != 0) return (pawns & ((spaces & (~spaces + 1)) - 1)) != 0;
    }
    bool settled = false;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        const bool pawn = pawnBeforeSpace(word, settled);
        if (settled) return pawn;
    }
    if (at == size) return false;
    // The last bytes: the word that ends the key, the bytes already read shifted out, or the
    // bytes one by one when the key is shorter than a word.
    if (size >= 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + size - 8, 8);
        // Shifted-in zero bytes are neither spaces nor pawns.
        return pawnBeforeSpace(word >> (8 * (at + 8 - size)), settled);
    }
    for (; at < size; ++at) {
        if (bytes[at] == ' ') return false;
        if (bytes[at] == 'P' || bytes[at] == 'p') return true;
    }
    return false;
}

bool dropUnusableEnPassant(std::string& key) {
    std::size_t start = 0;
    for (int field = 0; field < 3; ++field) {
        start = key.find(' ', start);
        if (start == std::string::npos) return false;
        ++start;
    }
    const std::size_t end = key.find(' ', start);
    const std::size_t length = (end == std::string::npos ? key.size() : end) - start;
    if (length != 2) return false;  // "-", or no square that the static test accepts
    Position position;
    if (readPosition(key, position) != PositionRule::Legal || canTakeEnPassant(position)) {
        return false;
    }
    key.replace(start, length, "-");
    return true;
}

}  // namespace vestrel
