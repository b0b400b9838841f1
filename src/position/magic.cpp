// The table behind bishopAttacks, computed when the program is compiled. The factors were
// found once by a search from a fixed seed; building the table checks them: two occupations
// whose attacks differ never share a slot, or the build fails.

#include "position/bitboard.h"

namespace vestrel {
namespace {

struct Step {
    int file;
    int rank;
};
constexpr std::array<Step, 4> kBishopSteps = {{{1, 1}, {-1, 1}, {-1, -1}, {1, -1}}};

constexpr std::array<Bitboard, 64> kBishopFactors = {
    0xA010041108003100ULL, 0x006082020A002900ULL, 0x6810010619200000ULL, 0x08281A0520000408ULL,
    0x0001104001000400ULL, 0x0018901008048400ULL, 0x00040A0210245280ULL, 0x000200210808A402ULL,
    0x9140048410821200ULL, 0x0800091010820041ULL, 0x20504804832202C0ULL, 0x0100091401081000ULL,
    0x8021011140000012ULL, 0x0810020804450400ULL, 0x208B0542109008A2ULL, 0x0080084A08040204ULL,
    0x0040E2A80811244CULL, 0x2505022008008108ULL, 0x0430220100420040ULL, 0x010A040420220040ULL,
    0x1105000290400000ULL, 0x0093001200822120ULL, 0x4000A62048043004ULL, 0x280120048A015004ULL,
    0x006090002A020814ULL, 0x44042000240800D0ULL, 0x01102800040A4400ULL, 0x1004080080220040ULL,
    0x0001001011004024ULL, 0x0010044000805040ULL, 0x0914041200820100ULL, 0x0004821012821480ULL,
    0x0024040500C05021ULL, 0x0088611002080200ULL, 0x0116080A00040020ULL, 0x4000020080080080ULL,
    0x2450450140840040ULL, 0x0000880201484100ULL, 0x0222020404020092ULL, 0x8081110600002E00ULL,
    0x2842101105000801ULL, 0x1100809008001025ULL, 0x00020202221C0400ULL, 0x0422014022009020ULL,
    0x0210046102100C00ULL, 0xC004008082029102ULL, 0x00AA461801101200ULL, 0x0404080080201108ULL,
    0x020542108C205002ULL, 0x0410544804100100ULL, 0x0040910841100000ULL, 0x0400200042021100ULL,
    0x00004204850400C0ULL, 0x0200100410A42102ULL, 0x1040020801210102ULL, 0x0805040410420000ULL,
    0x2884804130100200ULL, 0x800C262201242000ULL, 0x1058000194108800ULL, 0x0014221054420204ULL,
    0x0104000012A02200ULL, 0x0200881003300100ULL, 0x0140400202840100ULL, 0x0402020801010201ULL,
};

// The squares a bishop on s reaches, each ray stopped by its first occupied square: the plain
// walk the table is checked against.
constexpr Bitboard walkAttacks(Square s, Bitboard occupied) {
    Bitboard b = 0;
    for (const Step d : kBishopSteps) {
        int f = fileOf(s) + d.file;
        int r = rankOf(s) + d.rank;
        for (; f >= 0 && f < 8 && r >= 0 && r < 8; f += d.file, r += d.rank) {
            const Bitboard bit = squareBit(makeSquare(File(f), Rank(r)));
            b |= bit;
            if ((occupied & bit) != 0) break;
        }
    }
    return b;
}

// A piece on the edge of the board stops no ray, unless s stands on that edge too.
constexpr Bitboard edgesOff(Square s) {
    const Bitboard files = (fileBits(kFileA) | fileBits(kFileH)) & ~fileBits(fileOf(s));
    const Bitboard ranks = (rankBits(kRank1) | rankBits(kRank8)) & ~rankBits(rankOf(s));
    return files | ranks;
}

// Every square's magic and its attack sets, the squares one after another.
constexpr MagicTables makeMagicTables() {
    MagicTables t;
    std::uint32_t offset = 0;
    for (int i = 0; i < 64; ++i) {
        const Square s = Square(i);
        Magic& m = t.bishop[s];
        m.mask = walkAttacks(s, 0) & ~edgesOff(s);
        m.factor = kBishopFactors[s];
        m.shift = std::uint32_t(64 - popCount(m.mask));
        m.offset = offset;
        Bitboard subset = 0;
        do {  // every subset of the mask, in counting order
            const Bitboard attacks = walkAttacks(s, subset);
            Bitboard& slot = t.bishopAttacks[offset + ((subset * m.factor) >> m.shift)];
            if (slot != 0 && slot != attacks) throw "two attack sets share a slot";
            slot = attacks;
            subset = (subset - m.mask) & m.mask;
        } while (subset != 0);
        offset += std::uint32_t{1} << (64 - m.shift);
    }
    if (offset != kBishopSlots) throw "wrong table size";
    return t;
}

}  // namespace

constexpr MagicTables kMagics = makeMagicTables();

}  // namespace vestrel
