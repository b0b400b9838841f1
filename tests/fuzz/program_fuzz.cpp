// libFuzzer target: the whole program, runProgram, on fuzzed options, input file and database
// in a private folder. After every run it checks what the database must survive:
//   - the exit status is 0 or 1, and no temporary file of a rewrite is left; a run that ends
//     well has written the file --report names;
//   - after an error, and after every run that does not rewrite, the database and its backup
//     are byte for byte as they were;
//   - after /u+ the database is its old lines followed by exactly what standard output got, and
//     the backup is the old file; after /u- it holds the same problem lines; after /u: the same
//     number of lines; the backup of both is the old file. A byte-order mark at the start of
//     the old database is no part of its lines.
// Input layout: byte 0 picks the database option added last and byte 1 the files present;
// then the arguments, one per line, up to a NUL byte; the input file up to the next NUL byte;
// the rest is the database.
//     make fuzz
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/argument_kinds.h"
#include "app/options.h"
#include "app/run.h"
#include "base/settings.h"
#include "reference_lines.h"
#include "scratch_folder.h"

namespace {

using namespace vestrel;
namespace fs = std::filesystem;

void check(bool condition) {
    if (!condition) std::abort();
}

// The private folder: the program runs in root/run, its output goes to root/out and root/err.
const fs::path& root() {
    static const fs::path path = [] {
        // Each run maps its look-up tables afresh; in huge pages the first touch of each would
        // clear 2 MiB, which would take most of a run's time.
        (void)::prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
        const fs::path made = fuzzing::newScratchFolder("vestrel-program-");
        fs::create_directories(made / "run");
        fs::current_path(made / "run");
        return made;
    }();
    return path;
}

std::optional<std::string> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs the program with standard output and error sent to files.
int runCaptured(std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int out = ::open((root() / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open((root() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int savedOut = ::dup(1);
    const int savedErr = ::dup(2);
    ::dup2(out, 1);
    ::dup2(err, 2);
    const int status = runProgram(static_cast<int>(arguments.size()), argv.data());
    ::dup2(savedOut, 1);
    ::dup2(savedErr, 2);
    for (int fd : {out, err, savedOut, savedErr}) ::close(fd);
    return status;
}

// The lines of a database as the program reads them: a byte-order mark at its start is no
// part of them.
std::string_view withoutByteOrderMark(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
}

std::vector<std::string> problemLines(std::string_view bytes) {
    std::vector<std::string> lines;
    for (std::string& line : fuzzing::referenceLines(bytes).lines) {
        if (!line.empty() && line[0] != '%') lines.push_back(std::move(line));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool isTemporary(const std::string& name) {
    for (std::string_view ending : {".new", ".epn", ".bkn", ".cpy", ".bkc"}) {
        if (name.ends_with(ending)) return true;
    }
    return false;
}

constexpr std::string_view kDatabaseOptions[] = {"",    "/u+",  "/u=",    "/u+",
                                                 "/u-", "/u:2", "/u:0.5", "/u+Mine"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t option = data[0] % 8;
    const std::uint8_t files = data[1];
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t argsEnd = std::min(rest.find('\0'), rest.size());
    const std::string_view argsText = rest.substr(0, argsEnd);
    rest.remove_prefix(std::min(argsEnd + 1, rest.size()));
    const std::size_t inputEnd = std::min(rest.find('\0'), rest.size());
    const std::string_view inputText = rest.substr(0, inputEnd);
    const std::string_view databaseText = rest.substr(std::min(inputEnd + 1, rest.size()));

    const fs::path& base = root();
    for (const fs::directory_entry& entry : fs::directory_iterator(base / "run")) {
        fs::remove_all(entry.path());
    }

    // Arguments: no folder separators past the first character, so nothing leaves the folder.
    std::vector<std::string> arguments = {"vestrel"};
    const char* inputNames[] = {"in.epd", "in.pgn", "Vandrelo.epd", "Mine.EPD"};
    arguments.emplace_back(inputNames[files & 3]);
    std::size_t start = 0;
    while (start < argsText.size()) {
        std::size_t end = std::min(argsText.find('\n', start), argsText.size());
        const std::string_view argument = argsText.substr(start, end - start);
        if (argument.find('/', 1) == std::string_view::npos && arguments.size() < 12) {
            arguments.emplace_back(argument);
        }
        start = end + 1;
    }
    if (option == 3) arguments.emplace_back("/0");
    if (!kDatabaseOptions[option].empty()) arguments.emplace_back(kDatabaseOptions[option]);

    RunSettings settings;
    const std::vector<std::string_view> views(arguments.begin() + 1, arguments.end());
    // A help word ("/?", "-h", "-?", "--help", in any case) or --version anywhere answers and
    // does nothing else, like a run that is refused.
    const bool answers = std::any_of(views.begin(), views.end(), [](std::string_view argument) {
        return asksForHelp(argument) || argument == "--version";
    });
    const bool parsed = !answers && parseArguments(views, settings).verdict == OptionVerdict::Ok;

    std::vector<std::string> inputs = settings.inputFiles;
    if (inputs.empty()) inputs.emplace_back("Vandrelo.epd");
    const std::string databaseName = settings.databaseFileName();
    const std::string backupName = settings.backupFileName();
    const auto leavesFolder = [](const std::string& name) {
        return name.find('/') != std::string::npos;
    };
    if (std::any_of(inputs.begin(), inputs.end(), leavesFolder) || leavesFolder(databaseName)) {
        return 0;
    }
    // Input and database may be one file; the database content then wins.
    writeAll(inputNames[files & 3], inputText);
    if (files & 4) writeAll(databaseName, databaseText);
    if (files & 8) writeAll(backupName, "an older backup\r\n");
    const std::optional<std::string> oldDatabase = readAll(databaseName);
    const std::optional<std::string> oldBackup = readAll(backupName);

    const int status = runCaptured(arguments);
    check(status == 0 || status == 1);
    // The --report file may have any name; a run that ends well has written it.
    const std::string& report = settings.report.file;
    for (const fs::directory_entry& entry : fs::directory_iterator(base / "run")) {
        const std::string name = entry.path().filename().string();
        check(!isTemporary(name) || (parsed && name == report));
    }
    check(!parsed || status != 0 || report.empty() || fs::exists(report));

    const std::optional<std::string> newDatabase = readAll(databaseName);
    const std::optional<std::string> newBackup = readAll(backupName);
    const DatabaseMode mode = settings.databaseMode;
    // A record run on the database itself changes nothing; /u- and /u: read no input file.
    // Names that differ only in letter case are two files here.
    std::error_code noFile;
    const bool inputIsDatabase = std::any_of(
        inputs.begin(), inputs.end(),
        [&](const std::string& input) { return fs::equivalent(input, databaseName, noFile); });
    check(!fs::equivalent(databaseName, backupName, noFile));
    const bool rewrites =
        parsed && ((mode == DatabaseMode::Update && !settings.noOutput && !inputIsDatabase) ||
                   mode == DatabaseMode::Sort || mode == DatabaseMode::TimeUpdate);
    if (status != 0 || !rewrites) {
        check(newDatabase == oldDatabase);
        check(newBackup == oldBackup);
        return 0;
    }
    check(newDatabase.has_value());
    check(oldDatabase ? newBackup == oldDatabase : newBackup == oldBackup);
    const std::string old = oldDatabase.value_or("");
    const std::string_view oldLines = withoutByteOrderMark(old);
    if (mode == DatabaseMode::Update) {
        std::string expected;
        for (const std::string& line : fuzzing::referenceLines(oldLines).lines) {
            expected += line + "\r\n";
        }
        expected += readAll(base / "out").value_or("");
        check(*newDatabase == expected);
    } else if (mode == DatabaseMode::Sort) {
        check(problemLines(*newDatabase) == problemLines(oldLines));
    } else {
        check(fuzzing::referenceLines(*newDatabase).lines.size() ==
              fuzzing::referenceLines(old).lines.size());
    }
    return 0;
}
