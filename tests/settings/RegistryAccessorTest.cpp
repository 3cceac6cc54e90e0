#include "RegistryBackends.h"
#include "settings/RegistryAccessor.h"

namespace {

template <class Backend>
using RegistryAccessorTest = RegistryTest<Backend>;
TYPED_TEST_SUITE(RegistryAccessorTest, TRegistryBackends);

TYPED_TEST(RegistryAccessorTest, RelativePathsOpenBelowTheCurrentKey) {
    auto& r = *this->Registry;
    ASSERT_TRUE(r.OpenKey("\\A", true));
    ASSERT_TRUE(r.WriteString("v", "in A"));
    ASSERT_TRUE(r.OpenKey("B\\C", true));
    EXPECT_EQ(r.CurrentPath(), TestUserBase() + "\\A\\B\\C");
    EXPECT_FALSE(r.ValueExists("v"));
    EXPECT_TRUE(r.KeyExists("\\A\\B"));
    ASSERT_TRUE(r.OpenKey("\\\\A\\", false));  // stray separators are ignored
    EXPECT_EQ(r.ReadString("v"), "in A");
}

TYPED_TEST(RegistryAccessorTest, FailedOpenLeavesNoKeyCurrent) {
    auto& r = *this->Registry;
    ASSERT_TRUE(r.OpenKey("\\A", true));
    ASSERT_TRUE(r.WriteString("v", "in A"));
    EXPECT_FALSE(r.OpenKey("\\Missing", false));
    EXPECT_FALSE(r.HasCurrentKey());
    EXPECT_FALSE(r.ReadString("v"));
    EXPECT_FALSE(r.WriteString("w", "lost"));
    EXPECT_FALSE(r.OpenKey("Sub", true));  // relative, and nothing is current
    EXPECT_FALSE(r.KeyExists("\\Missing"));
    EXPECT_FALSE(r.KeyExists("\\A\\Sub"));
    ASSERT_TRUE(r.OpenKey("\\A", false));
    EXPECT_FALSE(r.ValueExists("w"));
}

TYPED_TEST(RegistryAccessorTest, EachReaderAcceptsOnlyItsKind) {
    auto& r = this->Open("\\K");
    const std::string binary("\x00\x3E\xFF", 3);
    ASSERT_TRUE(r.WriteString("s", "text"));
    ASSERT_TRUE(r.WriteInteger("i", -5));
    ASSERT_TRUE(r.WriteInteger("seven", 7));
    ASSERT_TRUE(r.WriteBinary("b", binary));
    ASSERT_TRUE(r.WriteBinary("empty", ""));

    EXPECT_EQ(r.ReadString("s"), "text");
    EXPECT_EQ(r.ReadInteger("i"), -5);
    EXPECT_EQ(r.ReadBool("seven"), true);  // any non-zero integer is true
    EXPECT_EQ(r.ReadBinary("b"), binary);
    EXPECT_EQ(r.ReadBinary("empty"), "");
    EXPECT_TRUE(r.ValueExists("empty"));

    EXPECT_FALSE(r.ReadInteger("s"));
    EXPECT_FALSE(r.ReadBool("s"));
    EXPECT_FALSE(r.ReadString("i"));
    EXPECT_FALSE(r.ReadBinary("i"));
    EXPECT_FALSE(r.ReadInteger("b"));
    EXPECT_FALSE(r.ReadString("b"));
    EXPECT_FALSE(r.ReadString("missing"));
    EXPECT_FALSE(r.WriteString("nul", std::string("a\0b", 3)));
    EXPECT_FALSE(r.ValueExists("nul"));

    using TList = std::vector<std::string>;
    ASSERT_TRUE(r.WriteMultiString("m", {"a.example.jp", "会社@x.jp"}));
    ASSERT_TRUE(r.WriteMultiString("none", {}));
    EXPECT_EQ(r.ReadMultiString("m"), (TList{"a.example.jp", "会社@x.jp"}));
    EXPECT_EQ(r.ReadMultiString("none"), TList{});
    EXPECT_FALSE(r.ReadString("m"));
    EXPECT_FALSE(r.ReadBinary("m"));
    EXPECT_FALSE(r.ReadMultiString("s"));
    // An empty string or a NUL would end the list early: such a list is not written.
    EXPECT_FALSE(r.WriteMultiString("gap", {"a", "", "b"}));
    EXPECT_FALSE(r.WriteMultiString("gap", {std::string("a\0b", 3)}));
    EXPECT_FALSE(r.ValueExists("gap"));
}

TYPED_TEST(RegistryAccessorTest, NamesIgnoreAsciiCase) {
    auto& r = this->Open("\\Connect\\User@Host");
    ASSERT_TRUE(r.WriteString("PassWord", "x"));
    EXPECT_EQ(r.ReadString("PASSWORD"), "x");
    EXPECT_TRUE(r.KeyExists("\\connect\\user@HOST"));
    // "ア" is 83 41 and "ヂ" is 83 61 in Shift_JIS: trail bytes in the letter range do not fold.
    ASSERT_TRUE(r.OpenKey("\\ア", true));
    EXPECT_FALSE(r.KeyExists("\\ヂ"));
    // "表" ends in 5C, the byte of "\\": a key named by it is one key, not a path.
    ASSERT_TRUE(r.OpenKey("\\表", true));
    ASSERT_TRUE(r.OpenKey("\\", false));
    EXPECT_EQ(r.GetKeyNames(), (std::vector<std::string>{"Connect", "ア", "表"}));
}

TYPED_TEST(RegistryAccessorTest, DeleteKeyRemovesTheSubtreeAndNothingElse) {
    auto& r = *this->Registry;
    this->Open("\\Connect\\a@h\\AutoDel").WriteString("Rule0", "From:,x");
    this->Open("\\Connect\\b@h").WriteString("Name", "B");
    ASSERT_TRUE(r.OpenKey("\\Connect\\a@h\\AutoDel", false));
    EXPECT_TRUE(r.DeleteKey("\\Connect\\a@h"));
    EXPECT_FALSE(r.KeyExists("\\Connect\\a@h"));
    // The open handle belongs to the deleted key; a write through it must not recreate it.
    EXPECT_FALSE(r.WriteString("Rule1", "x"));
    EXPECT_FALSE(r.KeyExists("\\Connect\\a@h"));
    EXPECT_FALSE(r.DeleteKey("\\Connect\\a@h"));
    ASSERT_TRUE(r.OpenKey("\\Connect", false));
    EXPECT_FALSE(r.DeleteKey(""));
    EXPECT_FALSE(r.DeleteKey("\\"));
    EXPECT_EQ(r.GetKeyNames(), std::vector<std::string>{"b@h"});
}

TYPED_TEST(RegistryAccessorTest, ValuesAndHivesAreSeparate) {
    auto& r = this->Open("\\SOFTWARE\\Clients\\Mail");
    ASSERT_TRUE(r.WriteString("", "user hive"));
    EXPECT_TRUE(r.DeleteValue(""));
    EXPECT_FALSE(r.DeleteValue(""));
    r.SetRoot(TRegistryRoot::LocalMachine);
    EXPECT_FALSE(r.HasCurrentKey());
    EXPECT_FALSE(r.KeyExists("\\SOFTWARE\\Clients\\Mail"));
    ASSERT_TRUE(r.OpenKey("\\SOFTWARE\\Clients\\Mail", true));
    ASSERT_TRUE(r.WriteString("", "machine hive"));
    r.SetRoot(TRegistryRoot::CurrentUser);
    ASSERT_TRUE(r.OpenKey("\\SOFTWARE\\Clients\\Mail", false));
    EXPECT_FALSE(r.ValueExists(""));
}

}  // namespace
