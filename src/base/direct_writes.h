#pragma once
// A large file written past the system's file cache. Its bytes are gathered in aligned blocks,
// and each full block goes to the disk as one direct write (setDirectWrites), on a thread of
// its own while the next block fills: the disk's time overlaps the program's, as the cache's
// writing back would.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "base/platform.h"

namespace vestrel {

// The bytes of one direct write: a multiple of kDirectBlock.
inline constexpr std::size_t kDirectWrite = std::size_t{4} << 20;

class DirectWrites {
public:
    // Turns direct writes on for `fd`, whose end must lie on a block boundary. Null when the
    // file system takes none or the blocks cannot be had; the file then is as it was.
    static std::unique_ptr<DirectWrites> start(int fd);
    // Waits for the block being written; bytes still gathered are dropped.
    ~DirectWrites();
    DirectWrites(const DirectWrites&) = delete;
    DirectWrites& operator=(const DirectWrites&) = delete;

    // Gathers bytes, handing each full block over to be written. Failed once any write failed.
    WriteResult add(std::string_view bytes);
    // Gathers bytes that fit in the block being filled; false, with nothing gathered, when they
    // do not.
    bool addToBlock(std::string_view bytes) {
        if (bytes.size() >= kDirectWrite - filled_) return false;
        std::memcpy(blocks_[filling_].get() + filled_, bytes.data(), bytes.size());
        filled_ += bytes.size();
        return true;
    }
    // Writes every byte gathered, the last ones (less than a block) after direct writes are
    // turned off, so that the file holds every byte added. Then the file takes ordinary writes.
    WriteResult finish();

private:
    struct BlockFree {
        void operator()(char* block) const;
    };
    using Block = std::unique_ptr<char[], BlockFree>;

    explicit DirectWrites(int fd) : fd_(fd) {}
    // Writes a full block, on the thread when there is one; what the writes so far came to.
    WriteResult hand(const char* block);
    WriteResult wait();  // until the thread has written what it was handed
    void writeHanded();  // the thread's loop

    int fd_;
    std::array<Block, 2> blocks_;
    std::size_t filling_ = 0;               // the block being filled
    std::size_t filled_ = 0;                // its bytes
    WriteResult result_ = WriteResult::Ok;  // the writes seen so far
    std::thread thread_;
    std::mutex mutex_;  // guards the three below
    std::condition_variable changed_;
    const char* handed_ = nullptr;  // a full block the thread is to write
    WriteResult threadResult_ = WriteResult::Ok;
    bool stop_ = false;
};

}  // namespace vestrel
