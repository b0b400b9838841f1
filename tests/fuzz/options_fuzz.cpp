// libFuzzer target: the option parser on arbitrary arguments (one per line of the input).
// Besides crashes, it checks what every run relies on: parsing is repeatable, a refused
// argument is one of those given, and accepted settings name a database ending in ".epd" and
// a positive, finite time factor.
//     make fuzz
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/options.h"
#include "base/settings.h"

namespace {

using namespace vestrel;

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> arguments;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    RunSettings first;
    const OptionResult result = parseArguments(arguments, first);
    RunSettings second;
    const OptionResult again = parseArguments(arguments, second);
    check(result.verdict == again.verdict && result.argument == again.argument);
    check(first.databaseFileName() == second.databaseFileName());
    if (result.verdict != OptionVerdict::Ok) {
        bool given = false;
        for (std::string_view argument : arguments) given = given || argument == result.argument;
        check(given);
        return 0;
    }
    check(std::string_view(first.databaseFileName()).ends_with(".epd"));
    check(std::isfinite(first.timeFactor) && first.timeFactor > 0);
    return 0;
}
