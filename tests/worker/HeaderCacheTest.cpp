// The header lines kept between checks: only new ids are fetched, ids gone are forgotten.
#include <gtest/gtest.h>

#include "worker/HeaderCache.h"

namespace {

TEST(HeaderCache, FetchesOnlyNewIdsAndForgetsTheGone) {
    const struct {
        std::vector<std::string> Listed;
        std::vector<int32_t> Sizes;
        std::vector<size_t> Unknown;
        size_t Kept;  // after the unknown ones were fetched and kept
    } listings[] = {
        {{"a", "b", "c"}, {1, 2, 3}, {0, 1, 2}, 3},
        {{"b", "c", "d"}, {2, 3, 4}, {2}, 3},  // "a" deleted elsewhere, "d" arrived
        // a repeated id and an empty one are never kept
        {{"b", "b", "e", ""}, {2, 2, 5, 6}, {0, 1, 2, 3}, 1},
        {{"b", "e"}, {2, 5}, {0}, 2},
        {{"b", "e"}, {2, 7}, {1}, 2},  // "e" given again to new mail of another size
        {{}, {}, {}, 0},
    };
    THeaderCache cache;
    for (const auto& l : listings) {
        cache.Retain(l.Listed);
        EXPECT_EQ(cache.Unknown(l.Listed, l.Sizes), l.Unknown) << l.Listed.size();
        for (size_t i : l.Unknown)
            cache.Keep(l.Listed[i], {l.Sizes[i], {"Subject: " + l.Listed[i]}, {}, {}});
        EXPECT_EQ(cache.Size(), l.Kept) << l.Listed.size();
        size_t found = 0;
        for (size_t i = 0; i < l.Listed.size(); ++i) {
            const std::string& id = l.Listed[i];
            const auto* entry = cache.Find(id, l.Sizes[i]);
            if (!entry) continue;
            ++found;
            EXPECT_EQ(entry->Lines.Lines(), (std::vector<std::string>{"Subject: " + id}));
        }
        EXPECT_EQ(found, l.Kept) << l.Listed.size();
    }
}

}  // namespace
