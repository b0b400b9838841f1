#include "app/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vestrel {
namespace {

// Every failure has an error message of its own, and Ok, which is no failure, has none: a
// status the message switch forgets, or a default that turns Ok into an error, shows here.
TEST(FileStatusMessage, GivesEveryFailureItsOwnMessage) {
    constexpr auto kLast = FileStatus::ReportIsLog;  // the last status of the list
    RunSettings settings;
    settings.report.file = "report.html";
    EXPECT_EQ(fileStatusMessage(FileStatus::Ok, settings, "in.epd"), "");
    std::set<std::string> messages;
    for (int i = static_cast<int>(FileStatus::Ok) + 1; i <= static_cast<int>(kLast); ++i) {
        SCOPED_TRACE(i);
        const std::string message =
            fileStatusMessage(static_cast<FileStatus>(i), settings, "in.epd");
        EXPECT_TRUE(message.starts_with("ERROR: ")) << message;
        EXPECT_TRUE(message.ends_with(" !")) << message;
        EXPECT_TRUE(messages.insert(message).second) << message;
    }
}

}  // namespace
}  // namespace vestrel
