#include "app/read_ahead.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <new>
#include <string>

#include "base/platform.h"
#include "position/placement.h"

namespace vestrel {

ReadAhead::~ReadAhead() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool ReadAhead::start(const LineReader& mapped, std::size_t from, const SplitSettings& split,
                      const MarkSettings& marking, bool readsBoards) {
    // On one core the thread's work would only take turns with the main thread's.
    if (std::thread::hardware_concurrency() == 1) return false;
    split_ = &split;
    marking_ = &marking;
    readsBoards_ = readsBoards;
    viewMappedLines(source_, mapped, from);
    asked_.store(from, std::memory_order_relaxed);
    batches_.reset(new (std::nothrow) std::array<Batch, kBatches>);
    if (!batches_) return false;
    // The thread starts with the interrupts held, and keeps them so: they always reach the
    // main thread, which knows when it may not be stopped.
    holdInterrupts();
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::exception&) {
        // No thread to be had: the main thread reads every board itself.
    }
    releaseInterrupts();
    return thread_.joinable();
}

void ReadAhead::run() {
    allowFaultSignals();
    LineReader view;
    viewMappedLines(view, source_, source_.begin);
    std::string key;  // the room placementVerdicts builds a key in
    BoardScan board;
    LineParts parts;
    bool last = false;
    for (std::size_t filling = 0; !last; ++filling) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] {
                return stop_ || filling - taken_.load(std::memory_order_acquire) < kBatches;
            });
            if (stop_) return;
        }
        // Past the lines the main thread has gone beyond (a run of lines it knew by their
        // bytes, say): their facts would never be asked for.
        const std::size_t asked = asked_.load(std::memory_order_relaxed);
        if (asked > view.begin) viewMappedLines(view, source_, asked);
        Batch& batch = (*batches_)[filling % kBatches];
        std::size_t count = 0;
        try {
            std::string_view line;
            while (count < kBatchLines && nextLine(view, line)) {
                LineFacts& facts = batch.facts[count++];
                facts.line = line.data();
                facts.size = line.size();
                facts.fit = splitPlainLine(line, *split_, parts, &board);
                if (facts.fit != LineFit::Plain) continue;
                facts.fieldsLength = parts.positionFields.size();
                facts.verdicts = placementVerdicts(parts, board, *marking_, readsBoards_, key);
            }
            last = count < kBatchLines;
        } catch (const std::exception&) {
            // Memory ran out for a key: the lines from here on are read on the main thread.
            last = true;
        }
        batch.count = count;
        batch.last = last;
        filled_.store(filling + 1, std::memory_order_release);
    }
}

void ReadAhead::giveBack() {
    done_ = reading_->last;
    reading_ = nullptr;
    taken_.fetch_add(1, std::memory_order_release);
    // Through the mutex, so that a thread about to rest sees the batch given back or is woken.
    { const std::lock_guard<std::mutex> lock(mutex_); }
    changed_.notify_one();
}

const LineFacts* ReadAhead::find(std::string_view line) {
    const char* at = line.data();
    const char* const begin = source_.bytes;
    // Lines are told apart by where they stand in the one mapping: their order is the file's.
    const std::less<const char*> before;
    if (before(at, begin) || !before(at, begin + source_.end)) return nullptr;
    asked_.store(std::size_t(at - begin), std::memory_order_relaxed);
    while (!done_) {
        if (reading_ == nullptr) {
            const std::size_t taken = taken_.load(std::memory_order_relaxed);
            if (filled_.load(std::memory_order_acquire) == taken) return nullptr;
            reading_ = &(*batches_)[taken % kBatches];
            at_ = 0;
        }
        while (at_ < reading_->count && before(reading_->facts[at_].line, at)) ++at_;
        if (at_ < reading_->count) {
            const LineFacts& facts = reading_->facts[at_];
            if (facts.line != at || facts.size != line.size()) return nullptr;
            ++at_;
            return &facts;
        }
        giveBack();
    }
    return nullptr;
}

}  // namespace vestrel
