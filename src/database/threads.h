#pragma once
// Work shared among threads for the database sort: every part writes memory of its own, so
// the result is the same whichever thread does a part, and on any number of threads.

#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace vestrel {

// Runs work(t) for t = 0 .. parts-1, each on a thread of its own, part 0 on the calling
// thread; where no more threads can be started, the calling thread does the parts left. An
// exception in a part (memory running out) comes back to the caller once every part is done.
template <typename Work>
void runParts(unsigned parts, const Work& work) {
    if (parts <= 1) {
        work(0u);
        return;
    }
    std::vector<std::exception_ptr> failures(parts);
    const auto guarded = [&](unsigned t) {
        try {
            work(t);
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    unsigned started = 1;
    try {
        for (; started < parts; ++started) helpers.emplace_back(guarded, started);
    } catch (const std::system_error&) {
        // No more threads: the parts left run below.
    }
    guarded(0u);
    for (unsigned t = started; t < parts; ++t) guarded(t);
    for (std::thread& helper : helpers) helper.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
}

}  // namespace vestrel
