#include "app/step_settings.h"

namespace vestrel {

namespace {

// No option edits a line-mode record's text, and nothing keeps its parts past writing it.
bool plainLinesApply(const RunSettings& settings) {
    const bool wholeOpcodes =
        settings.append == OpcodeChoice::None ||
        (settings.append == OpcodeChoice::All && settings.deleteNames.empty());
    return settings.replacements.empty() && settings.castlingEdit == CastlingEdit::None &&
           !settings.convertsMateInfo() && !settings.words && settings.verify.maxMoves == 0 &&
           wholeOpcodes;
}

}  // namespace

StepSettings stepSettings(const RunSettings& settings) {
    // The database modes /u and /u+ drop marked records without a trace.
    const bool silent = settings.databaseMode == DatabaseMode::Compare ||
                        settings.databaseMode == DatabaseMode::Update;
    const bool plainLines = plainLinesApply(settings);
    const SeenPolicy policy = seenPolicy(settings);
    return StepSettings{
        .reader = {.words = settings.words,
                   .headerTags = {.mode = settings.headerTagMode, .tags = settings.headerTags}},
        .split = {.pieceRange = settings.pieceRange, .castlingEdit = settings.castlingEdit},
        .mateInfo = {.addMissingForms = settings.mateInfo},
        .selection = {.find = settings.find,
                      .skip = settings.skip,
                      .replacements = settings.replacements,
                      .mateRange = settings.mateRange,
                      .time = settings.time,
                      .params = settings.params},
        .marking = {.legalityTest = settings.legalityTest,
                    .fullLegalityTest = settings.fullLegalityTest,
                    .canonicalKeys = settings.canonicalKeys,
                    .silent = silent},
        .output = {.append = settings.append,
                   .appendNames = settings.appendNames,
                   .deleteNames = settings.deleteNames},
        .plainLines = plainLines,
        .selectsPlainLines = !settings.find.items.empty() || !settings.skip.items.empty() ||
                             settings.time.active || settings.params.mode != ParamsMode::Off,
        .knowsRepeatedLines = plainLines && policy.mode == LookupMode::Hashed &&
                              !policy.countComparisons && settings.report.file.empty(),
    };
}

SeenPolicy seenPolicy(const RunSettings& settings) {
    SeenPolicy policy;
    if (settings.noDuplicateTest) {
        policy.mode = LookupMode::None;
    } else if (settings.noHash) {
        policy.mode = LookupMode::Prefix;
    }
    policy.mirrorTest = settings.mirrorTest;
    policy.countComparisons = settings.hashCount;
    return policy;
}

}  // namespace vestrel
