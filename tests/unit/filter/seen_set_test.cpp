#include "filter/seen_set.h"

#include <gtest/gtest.h>

#include <string>

namespace vestrel {
namespace {

TEST(KeyHash, IsDjb2ReducedTo20Bits) {
    EXPECT_EQ(keyHash(""), 5381u);
    EXPECT_EQ(keyHash("a"), 177670u);
    EXPECT_EQ(keyHash("abc"), 547979u);
    EXPECT_EQ(keyHash("8/8/8/8/8/8/8/K6k w - - bm #"), 227205u);
    EXPECT_EQ(keyHash("\xFF"), (5381u * 33u + 255u) & 0xFFFFFu);  // bytes count unsigned
}

// Finds a second key with the same bucket as `key` by trying numbered variants.
std::string collidingKey(const std::string& key) {
    for (int i = 0;; ++i) {
        std::string candidate = "k" + std::to_string(i);
        if (candidate != key && keyHash(candidate) == keyHash(key)) return candidate;
    }
}

TEST(LookupKey, CountsComparisonsPerStoredKeyInTheBucket) {
    SeenSet set;
    initSeenSet(set, LookupMode::Hashed);
    const std::string a = "first";
    const std::string b = collidingKey(a);
    EXPECT_FALSE(lookupKey(set, a, true));  // empty bucket: no comparison
    EXPECT_EQ(set.hashComparisons, 0);
    EXPECT_EQ(set.keyCount, 1);
    EXPECT_FALSE(lookupKey(set, b, true));  // one stored key examined
    EXPECT_EQ(set.hashComparisons, 1);
    EXPECT_TRUE(lookupKey(set, a, false));  // hit on the first field
    EXPECT_EQ(set.hashComparisons, 2);
    EXPECT_TRUE(lookupKey(set, b, false));  // hit on the second field
    EXPECT_EQ(set.hashComparisons, 4);
    EXPECT_FALSE(lookupKey(set, collidingKey(b) == a ? "zz" : collidingKey(b), false));
    EXPECT_EQ(set.keyCount, 2);
}

TEST(LookupKey, InsertFlagFalseLeavesTheSetUnchanged) {
    for (LookupMode mode : {LookupMode::Hashed, LookupMode::Prefix}) {
        SeenSet set;
        initSeenSet(set, mode);
        EXPECT_FALSE(lookupKey(set, "x", false));
        EXPECT_FALSE(lookupKey(set, "x", false));
        EXPECT_EQ(set.keyCount, 0);
        EXPECT_FALSE(lookupKey(set, "x", true));
        EXPECT_TRUE(lookupKey(set, "x", false));
        EXPECT_EQ(set.keyCount, 1);
    }
}

TEST(LookupKey, PrefixModeFindsStoredKeysThatBeginWithTheKey) {
    SeenSet set;
    initSeenSet(set, LookupMode::Prefix);
    const std::string stored = "8/8/8/8/8/8/8/K6k w - - bm h#";
    EXPECT_FALSE(lookupKey(set, stored, true));
    EXPECT_TRUE(lookupKey(set, stored, false));
    EXPECT_TRUE(lookupKey(set, "8/8/8/8/8/8/8/K6k w - - bm h", false));
    EXPECT_FALSE(lookupKey(set, "8/8/8/8/8/8/8/K6k w - - bm h#2", false));
    EXPECT_EQ(set.hashComparisons, 0);

    SeenSet hashed;
    initSeenSet(hashed, LookupMode::Hashed);
    lookupKey(hashed, stored, true);
    EXPECT_FALSE(lookupKey(hashed, "8/8/8/8/8/8/8/K6k w - - bm h", false));
}

TEST(AppendKey, StoresDuplicatesAndFillsBuckets) {
    SeenSet set;
    initSeenSet(set, LookupMode::Hashed);
    appendKey(set, "k");
    appendKey(set, "k");
    EXPECT_EQ(set.keyCount, 2);
    EXPECT_TRUE(lookupKey(set, "k", true));
    EXPECT_EQ(set.hashComparisons, 1);  // found on the first of the two fields
    EXPECT_EQ(storedKey(set, 1), "k");
    EXPECT_EQ(storedKey(set, 2), "k");

    SeenSet unsearched;
    initSeenSet(unsearched, LookupMode::None);
    appendKey(unsearched, "k");
    EXPECT_EQ(unsearched.keyCount, 1);
    EXPECT_FALSE(lookupKey(unsearched, "k", true));
}

TEST(SeenSet, StopsStoringWhenFull) {
    for (LookupMode mode : {LookupMode::Hashed, LookupMode::Prefix}) {
        SeenSet set;
        initSeenSet(set, mode);
        std::string key;
        for (int i = 0; i < kMaxKeys; ++i) {
            key = "key " + std::to_string(i);
            appendKey(set, key);
        }
        ASSERT_EQ(set.keyCount, kMaxKeys);
        appendKey(set, "one more");
        EXPECT_EQ(set.keyCount, kMaxKeys);
        EXPECT_FALSE(lookupKey(set, "new key", true));
        EXPECT_FALSE(lookupKey(set, "new key", true));
        EXPECT_EQ(set.keyCount, kMaxKeys);
        EXPECT_TRUE(lookupKey(set, "key 999998", false));
        EXPECT_TRUE(lookupKey(set, "key 0", false));
    }
}

TEST(SeenSet, KeepsKeysLongerThanAChunk) {
    SeenSet set;
    initSeenSet(set, LookupMode::Hashed);
    const std::string huge(3 << 20, 'q');
    EXPECT_FALSE(lookupKey(set, "small", true));
    EXPECT_FALSE(lookupKey(set, huge, true));
    EXPECT_FALSE(lookupKey(set, "after", true));
    EXPECT_TRUE(lookupKey(set, huge, false));
    EXPECT_TRUE(lookupKey(set, "small", false));
    EXPECT_TRUE(lookupKey(set, "after", false));
}

}  // namespace
}  // namespace vestrel
