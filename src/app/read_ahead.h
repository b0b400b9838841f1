#pragma once
// Reading a mapped EPD or FEN file ahead on a second thread, for the runs that read each
// placement as a board (/xy, /p, --legal): while the main thread marks the records of a batch,
// the thread splits the lines after them, reads their placements as boards and works out what
// marking needs of each (PlacementVerdicts). The main thread takes those instead of reading the
// boards itself. Each result is a pure function of the line's bytes, found by where the line
// stands in the mapping: a line the thread has no result for is read on the main thread, and
// the output is the same either way.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "base/line_reader.h"
#include "filter/marking.h"
#include "input/epd_line.h"

namespace vestrel {

// What the thread found for one line.
struct LineFacts {
    const char* line = nullptr;  // where the line stands in the mapping
    std::size_t size = 0;
    LineFit fit = LineFit::Other;
    std::size_t fieldsLength = 0;  // with fit Plain: the length of the position fields
    PlacementVerdicts verdicts;    // with fit Plain
};

class ReadAhead {
public:
    ReadAhead() = default;
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    // Stops the thread and waits for it.
    ~ReadAhead();

    // Starts the thread on the lines of the mapped file `mapped` from byte `from`, the start of
    // a line, split and worked out as `split`, `marking` and `readsBoards` (the seen set's)
    // ask; the settings must outlive the thread. False on a machine of one core, and when no
    // thread could be had.
    bool start(const LineReader& mapped, std::size_t from, const SplitSettings& split,
               const MarkSettings& marking, bool readsBoards);

    // The facts of a line of the mapped file when the thread has them at hand, else nullptr:
    // the main thread never waits for the thread. Lines are asked for in the order they stand
    // in the file; lines may be skipped, and a line skipped is never asked for again. A thread
    // that has fallen behind the lines asked for goes on from the last one.
    const LineFacts* find(std::string_view line);

private:
    // Lines a batch holds, and the batches: the thread rests only when it is that far ahead.
    static constexpr std::size_t kBatchLines = 2048;
    static constexpr std::size_t kBatches = 4;
    struct Batch {
        std::array<LineFacts, kBatchLines> facts;
        std::size_t count = 0;
        bool last = false;  // no batch comes after it
    };

    void run();
    // Gives the batch being read back to the thread.
    void giveBack();

    const SplitSettings* split_ = nullptr;
    const MarkSettings* marking_ = nullptr;
    bool readsBoards_ = false;
    LineReader source_;  // a view of the mapped file, the thread's to copy from
    // Made when the thread starts (half a megabyte): a run that reads no file ahead makes none.
    std::unique_ptr<std::array<Batch, kBatches>> batches_;
    std::thread thread_;
    std::atomic<std::size_t> filled_{0};  // batches the thread has filled
    std::atomic<std::size_t> taken_{0};   // batches the main thread has read and given back
    std::atomic<std::size_t> asked_{0};   // where the line asked for last begins in the file
    std::mutex mutex_;                    // for the thread's rests, and `stop_`
    std::condition_variable changed_;
    bool stop_ = false;
    // The main thread's own: the batch it reads, and where in it.
    const Batch* reading_ = nullptr;
    std::size_t at_ = 0;
    bool done_ = false;  // the last batch was read: nothing more will come
};

}  // namespace vestrel
