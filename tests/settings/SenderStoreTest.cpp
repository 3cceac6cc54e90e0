#include "RegistryBackends.h"
#include "settings/SenderStore.h"

namespace {

template <class Backend>
using SenderStoreTest = RegistryTest<Backend>;
TYPED_TEST_SUITE(SenderStoreTest, TRegistryBackends);

using TList = std::vector<std::string>;

TYPED_TEST(SenderStoreTest, ListsLoadBackAsStoredAndMissingOnesAreEmpty) {
    TSenderStore store(*this->Registry);
    EXPECT_EQ(store.Load().Allow, TList{});  // no "\Senders" yet
    ASSERT_TRUE(store.Save({{"taro@example.jp", "example.co.jp"}, {"spam.example"}}));
    const TSenderLists loaded = store.Load();
    EXPECT_EQ(loaded.Allow, (TList{"taro@example.jp", "example.co.jp"}));
    EXPECT_EQ(loaded.Block, TList{"spam.example"});

    auto& r = *this->Registry;
    ASSERT_TRUE(r.OpenKey("\\Senders", false));
    EXPECT_EQ(r.ReadMultiString("Block"), TList{"spam.example"});
    ASSERT_TRUE(r.DeleteValue("Allow"));
    EXPECT_EQ(store.Load().Allow, TList{});
    EXPECT_EQ(store.Load().Block, TList{"spam.example"});
}

// A registry that stores a value's bytes as another program may have left them.
class TRawRegistry : public TMemoryRegistry {
public:
    void WriteRaw(const std::string& key, const std::string& name, const std::string& data) {
        OpenAt(TRegistryRoot::CurrentUser, std::string(kRegistryRootPath) + key, true)
            ->Write(name, {TRegistryValue::MultiString, data});
    }
};

TEST(SenderStoreRawTest, EmptyEntriesAreSkippedAndTheRestIsRead) {
    const struct {
        std::string Data;
        TList Expected;
    } cases[] = {
        {std::string("a.example\0\0b.example\0\0", 22), {"a.example", "b.example"}},
        {std::string("\0a.example\0", 11), {"a.example"}},
        {std::string("a.example\0\0\0b.example", 21), {"a.example", "b.example"}},
    };
    for (const auto& c : cases) {
        TRawRegistry registry;
        registry.WriteRaw("\\Senders", "Block", c.Data);
        EXPECT_EQ(TSenderStore(registry).Load().Block, c.Expected) << c.Data.size();
    }
}

}  // namespace
