#include "app/verify_options.h"

#include <charconv>
#include <cstdint>

namespace vestrel {

namespace {

// The option's name up to its "=", and the value after it (nothing when there is no "=").
std::string_view optionName(std::string_view argument) {
    return argument.substr(0, argument.find('='));
}

// A decimal number from 1 to `max`, digits only.
bool readCount(std::string_view text, std::uint64_t max, std::uint64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc{} && value >= 1 && value <= max;
}

}  // namespace

bool isVerifyOption(std::string_view argument) {
    const std::string_view name = optionName(argument);
    return name == "--verify" || name == "--threads" || name == "--verify-nodes";
}

bool applyVerifyOption(std::string_view argument, VerifySetting& verify) {
    const std::string_view name = optionName(argument);
    const bool hasValue = name.size() < argument.size();
    const std::string_view value = hasValue ? argument.substr(name.size() + 1) : "";
    std::uint64_t n = 0;
    if (name == "--verify") {
        if (!hasValue) {
            verify.maxMoves = kDefaultVerifyMoves;
            return true;
        }
        if (!readCount(value, kMaxVerifyMoves, n)) return false;
        verify.maxMoves = int(n);
        return true;
    }
    if (name == "--threads") {
        if (!readCount(value, kMaxThreads, n)) return false;
        verify.threads = int(n);
        return true;
    }
    if (!readCount(value, UINT64_MAX, n)) return false;
    verify.nodes = n;
    return true;
}

}  // namespace vestrel
