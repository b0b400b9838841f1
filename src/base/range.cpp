#include "base/range.h"

namespace vestrel {

bool rangeTest(long long v, const Range& range) {
    switch (range.kind) {
        case RangeKind::None:
            return true;
        case RangeKind::More:
            return v > range.x;
        case RangeKind::Less:
            return v < range.x;
        case RangeKind::Unequal:
            return v != range.x;
        case RangeKind::Exact:
            return v == range.x;
        case RangeKind::FromTo:
            return range.x <= v && v <= range.z;
    }
    return true;
}

}  // namespace vestrel
