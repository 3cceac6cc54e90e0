#include <gtest/gtest.h>

#include "auth/JsonObject.h"

namespace {

TEST(JsonObjectTest, ReadsTopLevelScalars) {
    const struct {
        const char* Text;
        const char* Name;
        const char* Value;  // nullptr: not a member
    } cases[] = {
        {R"({"a":"b"})", "a", "b"},
        {" {\n\t\"a\" : 12 , \"c\":[1,{\"d\":null}]} ", "a", "12"},
        {R"({"a":-0.5e+3})", "a", "-0.5e+3"},
        {R"({"a":true,"b":null})", "a", "true"},
        {R"({"a":true,"b":null})", "b", nullptr},
        {R"({"o":{"a":"inner"}})", "a", nullptr},
        {R"({"a":"x\"\\\/\n\u00e9\ud83d\ude00"})", "a", "x\"\\/\n\xc3\xa9\xf0\x9f\x98\x80"},
        {R"({"a":"1","a":"2"})", "a", "1"},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> members;
        ASSERT_TRUE(JsonObject::Parse(c.Text, members)) << c.Text;
        const auto found = members.find(c.Name);
        if (c.Value)
            EXPECT_TRUE(found != members.end() && found->second == c.Value) << c.Text;
        else
            EXPECT_TRUE(found == members.end()) << c.Text;
    }
}

TEST(JsonObjectTest, RefusesWhatIsNotOneObject) {
    const std::string deep = std::string(40, '[') + std::string(40, ']');
    for (const std::string& text :
         {std::string(""), std::string("[]"), std::string("\"a\""), std::string("{"),
          std::string("{}x"), std::string(R"({"a":01})"), std::string(R"({"a":1.})"),
          std::string(R"({"a":"\x"})"), std::string("{\"a\":\"\x01\"}"),
          std::string(R"({"a":"\udc00"})"), std::string(R"({"a":"\ud800x"})"),
          std::string(R"({"a" 1})"), std::string(R"({"a":1,})"), std::string(R"({a:1})"),
          std::string(R"({"a":tru})"), "{\"a\":" + deep + "}",
          "{\"a\":\"" + std::string(JsonObject::MaxLength, 'x') + "\"}"}) {
        std::map<std::string, std::string> members{{"kept", "no"}};
        EXPECT_FALSE(JsonObject::Parse(text, members)) << text.substr(0, 60);
        EXPECT_TRUE(members.empty());
    }
}

}  // namespace
