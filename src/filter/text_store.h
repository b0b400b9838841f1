#pragma once
// The texts of the stored position keys, back to back in chunks that never move, so that the
// place of a text stays valid while more keys are stored. Each text starts with its length in
// seven-bit groups, so that a place alone names the text. The chunks grow with the texts
// stored: a small collection takes little memory, a large one as much as the system gives.
//
// A key that is part of a mapped input file or database can be kept where it is instead: its
// place then names the file, its offset there and its length, and the store keeps the file
// mapped. A distinct collection of a million lines so copies and faults in no 45 MiB of texts.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "base/zeroed_array.h"

namespace vestrel {

// Where a stored text is: chunk number << kChunkShift | offset in the chunk. A place takes
// kPlaceBits bits, so up to 512 GiB of key texts can be stored. A place with kKeptBit set names
// a text kept in a file: its length << kKeptLengthShift | the file << kKeptFileShift | its
// offset in the file.
using TextPlace = std::uint64_t;
inline constexpr unsigned kChunkShift = 22;
inline constexpr std::size_t kChunkBytes = std::size_t{1} << kChunkShift;
inline constexpr unsigned kPlaceBits = 40;
inline constexpr TextPlace kKeptBit = TextPlace{1} << (kPlaceBits - 1);
inline constexpr unsigned kKeptLengthShift = 32;
inline constexpr std::size_t kMostKeptLength = 127;  // the bits between the file and kKeptBit
inline constexpr unsigned kKeptFileShift = 31;
inline constexpr std::uint64_t kKeptOffsets = std::uint64_t{1} << kKeptFileShift;  // 2 GiB

// The files a store may keep texts in, one of each at a time.
enum class KeptFile : unsigned { Input, Database };
inline constexpr KeptFile kKeptFiles[] = {KeptFile::Input, KeptFile::Database};
// The stretch of a file whose kept texts are visited together when every kept text is read (see
// FastTable::visitKept), and whose memory is then given back: reading them in the order of the
// table brings back every page of the file, nearly, 1.7 GB of files for 20 million keys.
inline constexpr std::uint64_t kKeptWindow = std::uint64_t{256} << 20;

class TextStore {
public:
    // Copies the key in and returns its place; throws std::bad_alloc when memory runs out.
    TextPlace add(std::string_view key);
    // Returns the place of the key in a file the store keeps texts in, when it lies there
    // (within its first 2 GiB, and of up to kMostKeptLength bytes); else copies it in.
    TextPlace keepOrAdd(std::string_view key) {
        for (unsigned f = 0; f < 2; ++f) {
            const auto offset = std::uintptr_t(key.data()) - std::uintptr_t(keptBytes_[f]);
            if (offset < keptSize_[f] && key.size() <= kMostKeptLength &&
                key.size() <= keptSize_[f] - offset) {
                return kKeptBit | TextPlace{key.size()} << kKeptLengthShift |
                       TextPlace{f} << kKeptFileShift | offset;
            }
        }
        return add(key);
    }
    static bool kept(TextPlace place) { return (place & kKeptBit) != 0; }
    static KeptFile keptFile(TextPlace place) { return KeptFile((place >> kKeptFileShift) & 1); }

    // Keeps the keys that lie in the file where they are from now on; the file stays mapped
    // as long as the store holds texts there. The places kept in the file of that kind before,
    // if any, must have been copied in first (see copyIn).
    void keepTextsIn(std::shared_ptr<const MappedFile> file, KeptFile kind);
    // True when the store keeps texts in a file of that kind.
    bool keepsTexts(KeptFile kind) const { return keptFile_[unsigned(kind)] != nullptr; }
    // Copies in a text kept in a file and returns its new place.
    TextPlace copyIn(TextPlace place) { return add(text(place)); }
    // The bytes of the file of that kind that may hold kept texts; 0 when there is none.
    std::uint64_t keptBytes(KeptFile kind) const { return keptSize_[unsigned(kind)]; }
    static std::uint64_t keptOffset(TextPlace place) { return place & (kKeptOffsets - 1); }
    // Gives back the memory of the file's bytes from `offset` (a multiple of kKeptWindow) on,
    // up to kKeptWindow of them: they stay in the file and come back when read.
    void releaseKeptBytes(KeptFile kind, std::uint64_t offset) const;

    // Where the stored text begins (its length first, unless kept in the file), for prefetching.
    const char* at(TextPlace place) const {
        if (kept(place)) return keptAt(place);
        return chunks_[place >> kChunkShift].data() + (place & (kChunkBytes - 1));
    }

    std::string_view text(TextPlace place) const {
        if (kept(place)) {
            return {keptAt(place), std::size_t(place >> kKeptLengthShift) & kMostKeptLength};
        }
        const auto* p = reinterpret_cast<const unsigned char*>(
            chunks_[place >> kChunkShift].data() + (place & (kChunkBytes - 1)));
        std::size_t size = 0;
        unsigned shift = 0;
        unsigned char byte;
        do {
            byte = *p++;
            size |= std::size_t(byte & 0x7F) << shift;
            shift += 7;
        } while (byte & 0x80);
        return {reinterpret_cast<const char*>(p), size};
    }

private:
    const char* keptAt(TextPlace place) const {
        return keptBytes_[unsigned(keptFile(place))] + (place & (kKeptOffsets - 1));
    }

    std::vector<ZeroedArray<char>> chunks_;  // each chunk's size is the bytes it holds
    std::size_t chunkBytes_ = 0;             // the capacity of all chunks
    PagePolicy pages_;
    std::shared_ptr<const MappedFile> keptFile_[2];  // the files texts are kept in, by KeptFile
    const char* keptBytes_[2] = {};                  // their bytes
    std::uint64_t keptSize_[2] = {};                 // those that may hold kept texts
};

}  // namespace vestrel
