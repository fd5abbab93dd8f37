#pragma once
// The little JSON the bridge speaks: objects it writes (receptions, alarms, discovery) and
// the flat objects of commands it reads. Texts are UTF-8.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ravlin {

// `text` as a JSON string with its quotes; control characters escaped, invalid UTF-8
// bytes replaced by U+FFFD, so that the output is always valid JSON.
std::string JsonString(std::string_view text);

// Builds one object member by member: {"a": 1, "b": "x"}.
class TJsonObject {
  public:
    TJsonObject& Text(std::string_view key, std::string_view value);
    TJsonObject& Number(std::string_view key, long long value);
    TJsonObject& Null(std::string_view key);
    // `json` must be valid JSON (an object, an array) built by the caller.
    TJsonObject& Raw(std::string_view key, std::string_view json);
    std::string Done() const { return body_ + "}"; }

  private:
    void Key(std::string_view key);
    std::string body_ = "{";
};

// One value of a flat object: a string, a whole number, true, false or null.
struct TJsonValue {
    enum class Kind { String, Number, Bool, Null };
    Kind kind = Kind::Null;
    std::string text;      // String
    long long number = 0;  // Number; Bool: 0 or 1
};
using TJsonMembers = std::map<std::string, TJsonValue>;

// The members of an object none of whose values is an object or an array (a command, an
// alarm); nullopt for anything else: another JSON value, nested values, numbers with a
// fraction or beyond 15 digits, a key twice, bad escapes or UTF-8, text after the object,
// more than `maxBytes`.
std::optional<TJsonMembers> ParseFlatJsonObject(std::string_view json, size_t maxBytes = 1024);

// A member of the kind asked for, or nullptr.
const std::string* TextMember(const TJsonMembers& members, const std::string& key);
const long long* NumberMember(const TJsonMembers& members, const std::string& key);

}  // namespace ravlin
