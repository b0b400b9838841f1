#include "base/direct_writes.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

namespace vestrel {

void DirectWrites::BlockFree::operator()(char* block) const {
    ::operator delete[](block, std::align_val_t(kDirectBlock));
}

std::unique_ptr<DirectWrites> DirectWrites::start(int fd) {
    std::unique_ptr<DirectWrites> writes(new (std::nothrow) DirectWrites(fd));
    if (!writes) return nullptr;
    for (Block& block : writes->blocks_) {
        block.reset(new (std::align_val_t(kDirectBlock), std::nothrow) char[kDirectWrite]);
        if (!block) return nullptr;
    }
    if (!setDirectWrites(fd, true)) return nullptr;
    // The thread starts with the interrupts held, and keeps them so: they always reach the main
    // thread, which knows when it may not be stopped.
    holdInterrupts();
    try {
        writes->thread_ = std::thread([w = writes.get()] { w->writeHanded(); });
    } catch (const std::exception&) {
        // No thread to be had: each full block is written at once.
    }
    releaseInterrupts();
    return writes;
}

DirectWrites::~DirectWrites() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DirectWrites::writeHanded() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return handed_ != nullptr || stop_; });
        if (handed_ == nullptr) return;
        const char* block = handed_;
        lock.unlock();
        const WriteResult result = writeDirect(fd_, block, kDirectWrite);
        lock.lock();
        if (threadResult_ == WriteResult::Ok) threadResult_ = result;
        handed_ = nullptr;
        changed_.notify_all();
    }
}

WriteResult DirectWrites::wait() {
    if (!thread_.joinable()) return result_;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return handed_ == nullptr; });
    return threadResult_;
}

WriteResult DirectWrites::hand(const char* block) {
    if (!thread_.joinable()) return writeDirect(fd_, block, kDirectWrite);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return handed_ == nullptr; });
        if (threadResult_ != WriteResult::Ok) return threadResult_;
        handed_ = block;
    }
    changed_.notify_all();
    return WriteResult::Ok;
}

WriteResult DirectWrites::add(std::string_view bytes) {
    while (!bytes.empty() && result_ == WriteResult::Ok) {
        char* block = blocks_[filling_].get();
        const std::size_t n = std::min(bytes.size(), kDirectWrite - filled_);
        std::memcpy(block + filled_, bytes.data(), n);
        filled_ += n;
        bytes.remove_prefix(n);
        if (filled_ < kDirectWrite) break;
        // The other block is free again once hand() returns: the thread holds one at most.
        result_ = hand(block);
        filling_ ^= 1;
        filled_ = 0;
    }
    return result_;
}

WriteResult DirectWrites::finish() {
    if (result_ == WriteResult::Ok) result_ = wait();
    if (result_ != WriteResult::Ok) return result_;
    const char* block = blocks_[filling_].get();
    const std::size_t whole = filled_ - filled_ % kDirectBlock;
    const std::string_view rest(block + whole, filled_ - whole);
    filled_ = 0;
    if (whole > 0) result_ = writeDirect(fd_, block, whole);
    if (result_ == WriteResult::Ok && !setDirectWrites(fd_, false)) result_ = WriteResult::Failed;
    if (result_ == WriteResult::Ok && !rest.empty()) result_ = writeAll(fd_, rest);
    return result_;
}

}  // namespace vestrel
