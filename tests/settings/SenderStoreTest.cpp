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

}  // namespace
