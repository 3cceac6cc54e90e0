// The header lines kept between checks: only new ids are fetched, ids gone are forgotten.
#include <gtest/gtest.h>

#include "worker/HeaderCache.h"

namespace {

TEST(HeaderCache, FetchesOnlyNewIdsAndForgetsTheGone) {
    const struct {
        std::vector<std::string> Listed;
        std::vector<size_t> Unknown;
        size_t Kept;  // after the unknown ones were fetched and kept
    } listings[] = {
        {{"a", "b", "c"}, {0, 1, 2}, 3},
        {{"b", "c", "d"}, {2}, 3},               // "a" deleted elsewhere, "d" arrived
        {{"b", "b", "e", ""}, {0, 1, 2, 3}, 1},  // a repeated id and an empty one are never kept
        {{"b", "e"}, {0}, 2},
        {{}, {}, 0},
    };
    THeaderCache cache;
    for (const auto& l : listings) {
        cache.Retain(l.Listed);
        EXPECT_EQ(cache.Unknown(l.Listed), l.Unknown) << l.Listed.size();
        for (size_t i : l.Unknown) cache.Keep(l.Listed[i], {"Subject: " + l.Listed[i]});
        EXPECT_EQ(cache.Size(), l.Kept) << l.Listed.size();
        size_t found = 0;
        for (const auto& id : l.Listed) {
            const auto* lines = cache.Find(id);
            if (!lines) continue;
            ++found;
            EXPECT_EQ(*lines, (THeaderCache::TLines{"Subject: " + id}));
        }
        EXPECT_EQ(found, l.Kept) << l.Listed.size();
    }
}

}  // namespace
