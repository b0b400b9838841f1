// The fault plan of the test seam in platform.h: which file-system calls fail. Only tests set
// it; the program itself never does, so every call goes through.
#include <array>
#include <climits>
#include <mutex>

#include "base/platform.h"

namespace vestrel {

namespace {

constexpr std::size_t kCallKinds = 9;

struct FaultPlan {
    bool active = false;
    std::array<int, kCallKinds> made{};   // calls of each kind since the plan
    std::array<int, kCallKinds> first{};  // 0: none of that kind fails
    std::array<int, kCallKinds> last{};
    int changes = 0;  // calls that change a file, since the plan
    int dieAt = 0;    // 0: no kill
};

// The one plan of the process: a test seam, like the signal state of a process.
FaultPlan& plan() {
    static FaultPlan faults;
    return faults;
}

}  // namespace

void failFileCalls(FileCall call, int first, int last) {
    FaultPlan& p = plan();
    p.active = true;
    const auto kind = static_cast<std::size_t>(call);
    p.made[kind] = 0;
    p.first[kind] = first;
    p.last[kind] = last == 0 ? INT_MAX : last;
}

void dieAtFileChange(int n) {
    FaultPlan& p = plan();
    p.active = true;
    p.changes = 0;
    p.dieAt = n;
}

int clearFileFaults() {
    const int changes = plan().changes;
    plan() = FaultPlan{};
    return changes;
}

bool fileCallFails(FileCall call) {
    FaultPlan& p = plan();
    if (!p.active) return false;  // set by tests alone, while no other thread runs
    // A large database's blocks are written on a thread of their own, beside the main thread's
    // writes: the counts are taken one at a time.
    static std::mutex counting;
    const std::lock_guard<std::mutex> lock(counting);
    const auto kind = static_cast<std::size_t>(call);
    const int n = ++p.made[kind];
    if (call != FileCall::Lock && call != FileCall::Read) {
        ++p.changes;
        if (p.dieAt > 0 && p.changes >= p.dieAt) return true;
    }
    return p.first[kind] > 0 && n >= p.first[kind] && n <= p.last[kind];
}

}  // namespace vestrel
