#include "filter/marking.h"

#include <optional>

#include "base/output.h"
#include "position/board.h"
#include "position/diagonal.h"
#include "position/mirror.h"
#include "text/text.h"

namespace vestrel {

namespace {

constexpr std::string_view kDefaultSolution = " bm #";
constexpr std::string_view kNoCastlingNoEp = " - -";

enum class MarkReason { Duplicate, Mirror, DiagonalMirror, Illegal };

// Position of `what` in " " + text without building that text; npos when absent.
std::size_t findAfterSpace(std::string_view text, std::string_view what) {
    const std::size_t at = text.find(what);
    return at == std::string_view::npos ? at : at + 1;
}

bool hasPawn(std::string_view key) {
    const std::string_view placement = key.substr(0, key.find(' '));
    for (char c : placement) {
        if (toUpperAscii(c) == 'P') return true;
    }
    return false;
}

// The mirror and diagonal mirror tests; on a hit `state.mirrorKind` holds the tag's kind.
// Every image is built, and its bucket asked for, before the first look-up, so that the
// memory waits of up to eight look-ups overlap.
struct MirrorPlan {
    bool reflected = false;
};

MirrorPlan prepareMirrorTests(std::string_view key, RunState& state) {
    MirrorPlan plan;
    buildMirrorImages(key, state.seen, state.images);
    // Pawns cannot be reflected in the diagonal.
    if (!hasPawn(key) && reflectDiagonalInto(key, state.reflected)) {
        plan.reflected = true;
        prefetchBucket(state.seen, fullKeyHash(state.reflected));
        buildMirrorImages(state.reflected, state.seen, state.reflectedImages);
    }
    return plan;
}

std::optional<MarkReason> mirrorReason(const MirrorPlan& plan, RunState& state) {
    state.mirrorKind.clear();
    if (matchMirrorImages(state.images, state.seen, state.mirrorKind)) return MarkReason::Mirror;
    if (!plan.reflected) return std::nullopt;
    // A direct hit leaves the kind empty, since the failed search above emptied it.
    if (lookupKey(state.seen, state.reflected, false) ||
        matchMirrorImages(state.reflectedImages, state.seen, state.mirrorKind)) {
        return MarkReason::DiagonalMirror;
    }
    return std::nullopt;
}

// The mirror tests of a key that no earlier stored key shares a signature with: an image can
// only be the key itself, stored a moment ago, so no image needs building or looking up.
std::optional<MarkReason> selfMirrorReason(const SelfImage& self, bool stored, RunState& state) {
    state.mirrorKind.clear();
    if (!stored) return std::nullopt;  // a full table did not take the key
    if (!self.found) return std::nullopt;
    state.mirrorKind.assign(self.kind);
    return self.diagonal ? MarkReason::DiagonalMirror : MarkReason::Mirror;
}

void writeLogLine(BufferedWriter& log, std::string_view positionFields, MarkReason reason,
                  std::string_view mirrorKind) {
    writeBytes(log, positionFields);
    switch (reason) {
        case MarkReason::Duplicate:
            writeBytes(log, " id \"duplicate\";");
            break;
        case MarkReason::Mirror:
            writeBytes(log, " id \"mirror-");
            writeBytes(log, mirrorKind);
            writeBytes(log, "\";");
            break;
        case MarkReason::DiagonalMirror:
            writeBytes(log, " id \"mirror-d");
            writeBytes(log, mirrorKind);
            writeBytes(log, "\";");
            break;
        case MarkReason::Illegal:
            writeBytes(log, " id \"illegal\";");
            break;
    }
    writeBytes(log, kLineEnd);
}

}  // namespace

void buildPositionKey(std::string_view positionFields, std::string_view opcodeText,
                      std::string& key) {
    // Positions count in s = " " + opcodeText, so s[i] is opcodeText[i - 1].
    key.assign(positionFields);
    const std::size_t bm = opcodeText.starts_with("bm ") ? 0 : findAfterSpace(opcodeText, " bm ");
    if (bm != std::string_view::npos) {
        std::size_t mark = findAfterSpace(opcodeText, "#");
        if (mark == std::string_view::npos) mark = findAfterSpace(opcodeText, "=");
        // The mark must follow "bm " directly or after one letter ("#3", "h#2", "s#3").
        if (mark != std::string_view::npos && mark > bm && (mark - bm == 4 || mark - bm == 5)) {
            key.push_back(' ');
            key.append(opcodeText.substr(0, mark));
            return;
        }
    }
    key.append(kDefaultSolution);
}

MarkVerdict markRecord(const SplitRecord& record, const RunSettings& settings, RunState& state) {
    buildPositionKey(record.positionFields, record.opcodeText, state.key);
    const std::string_view key = state.key;

    std::optional<MarkReason> reason;
    if (!settings.noDuplicateTest) {
        const bool mirrorTest =
            settings.mirrorTest && key.find(kNoCastlingNoEp) != std::string_view::npos;
        SeenSet& seen = state.seen;
        const KeySymmetry symmetry = seen.signaturesOn ? analyseSymmetry(key) : KeySymmetry{};
        const std::uint32_t signature = symmetry.signature;
        const bool quick = mirrorTest && seen.signaturesOn && symmetry.imagesShareSignature &&
                           !hasSignature(seen, signature);
        MirrorPlan plan;
        if (mirrorTest && !quick) plan = prepareMirrorTests(key, state);
        // The key is stored here when new, even if a later test marks the record.
        const std::int32_t keysBefore = seen.keyCount;
        if (lookupKey(seen, key, true)) {
            reason = MarkReason::Duplicate;
        } else {
            const bool stored = seen.keyCount != keysBefore;
            if (stored && seen.signaturesOn) markSignature(seen, signature);
            if (mirrorTest) {
                reason = quick ? selfMirrorReason(symmetry.self, stored, state)
                               : mirrorReason(plan, state);
            }
        }
    }
    if (!reason && settings.legalityTest && !validatePosition(record.positionFields)) {
        reason = MarkReason::Illegal;
    }
    if (!reason) return MarkVerdict::Passed;

    // The database modes drop marked records without a trace.
    if (settings.databaseMode == DatabaseMode::Compare ||
        settings.databaseMode == DatabaseMode::Update) {
        return MarkVerdict::Marked;
    }
    if (*reason == MarkReason::Illegal) {
        ++state.counters.illegal;
    } else {
        ++state.counters.duplicates;
    }
    writeLogLine(state.log, record.positionFields, *reason, state.mirrorKind);
    return MarkVerdict::Marked;
}

}  // namespace vestrel
