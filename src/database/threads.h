#pragma once
// Work shared among threads for the database sort: every part writes memory of its own, so
// the result is the same whichever thread does a part, and on any number of threads.

#include <system_error>
#include <thread>
#include <vector>

namespace vestrel {

// Runs work(t) for t = 0 .. parts-1, each on a thread of its own, part 0 on the calling
// thread; where no more threads can be started, the calling thread does the parts left.
template <typename Work>
void runParts(unsigned parts, const Work& work) {
    std::vector<std::thread> helpers;
    unsigned started = 1;
    try {
        for (; started < parts; ++started) helpers.emplace_back(work, started);
    } catch (const std::system_error&) {
        // No more threads: the parts left run below.
    }
    work(0u);
    for (unsigned t = started; t < parts; ++t) work(t);
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace vestrel
