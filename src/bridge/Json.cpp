#include "bridge/Json.h"

#include <cstdint>
#include <cstdio>
#include <tuple>

namespace ravlin {
namespace {

// The length of the valid UTF-8 sequence at `i`, 0 when none starts there.
size_t Utf8Length(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    uint32_t min = 0;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    uint32_t cp = c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class TReader {
  public:
    explicit TReader(std::string_view s) : s_(s) {}
    void Blanks() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
            ++i_;
    }
    bool Take(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool AtEnd() {
        Blanks();
        return i_ == s_.size();
    }
    std::optional<uint32_t> Hex4() {
        if (i_ + 4 > s_.size()) return std::nullopt;
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = s_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return std::nullopt;
        }
        return v;
    }
    // A whole number of at most 15 digits, or true, false, null.
    std::optional<TJsonValue> Scalar() {
        Blanks();
        TJsonValue v;
        for (const auto& [word, kind, n] : {std::tuple{"true", TJsonValue::Kind::Bool, 1},
                                            {"false", TJsonValue::Kind::Bool, 0},
                                            {"null", TJsonValue::Kind::Null, 0}}) {
            if (s_.substr(i_).rfind(word, 0) == 0) {
                i_ += std::string_view(word).size();
                v.kind = kind;
                v.number = n;
                return v;
            }
        }
        const bool minus = i_ < s_.size() && s_[i_] == '-';
        if (minus) ++i_;
        size_t digits = 0;
        long long n = 0;
        while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') {
            if (++digits > 15) return std::nullopt;
            n = n * 10 + (s_[i_++] - '0');
        }
        if (digits == 0) return std::nullopt;
        // A leading zero, a fraction or an exponent: not a whole number as written here.
        if (digits > 1 && s_[i_ - digits] == '0') return std::nullopt;
        if (i_ < s_.size() && (s_[i_] == '.' || s_[i_] == 'e' || s_[i_] == 'E'))
            return std::nullopt;
        v.kind = TJsonValue::Kind::Number;
        v.number = minus ? -n : n;
        return v;
    }
    bool AtQuote() {
        Blanks();
        return i_ < s_.size() && s_[i_] == '"';
    }
    std::optional<std::string> String() {
        if (!Take('"')) return std::nullopt;
        std::string out;
        while (i_ < s_.size()) {
            const auto c = static_cast<unsigned char>(s_[i_]);
            if (c == '"') {
                ++i_;
                return out;
            }
            if (c < 0x20) return std::nullopt;
            if (c == '\\') {
                if (++i_ >= s_.size()) return std::nullopt;
                const char e = s_[i_++];
                switch (e) {
                    case '"':
                    case '\\':
                    case '/':
                        out += e;
                        break;
                    case 'b':
                        out += '\b';
                        break;
                    case 'f':
                        out += '\f';
                        break;
                    case 'n':
                        out += '\n';
                        break;
                    case 'r':
                        out += '\r';
                        break;
                    case 't':
                        out += '\t';
                        break;
                    case 'u': {
                        auto cp = Hex4();
                        if (!cp) return std::nullopt;
                        if (*cp >= 0xD800 && *cp <= 0xDBFF) {
                            // A pair of surrogates, the low one next.
                            if (i_ + 2 > s_.size() || s_[i_] != '\\' || s_[i_ + 1] != 'u')
                                return std::nullopt;
                            i_ += 2;
                            auto low = Hex4();
                            if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
                            *cp = 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00);
                        } else if (*cp >= 0xDC00 && *cp <= 0xDFFF) {
                            return std::nullopt;
                        }
                        AppendUtf8(out, *cp);
                        break;
                    }
                    default:
                        return std::nullopt;
                }
                continue;
            }
            const size_t n = Utf8Length(s_, i_);
            if (n == 0) return std::nullopt;
            out.append(s_.substr(i_, n));
            i_ += n;
        }
        return std::nullopt;
    }

  private:
    std::string_view s_;
    size_t i_ = 0;
};

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        } else {
            const size_t n = Utf8Length(text, i);
            if (n == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(text.substr(i, n));
                i += n;
            }
        }
    }
    return out + "\"";
}

void TJsonObject::Key(std::string_view key) {
    if (body_.size() > 1) body_ += ", ";
    body_ += JsonString(key);
    body_ += ": ";
}

TJsonObject& TJsonObject::Text(std::string_view key, std::string_view value) {
    Key(key);
    body_ += JsonString(value);
    return *this;
}

TJsonObject& TJsonObject::Number(std::string_view key, long long value) {
    Key(key);
    body_ += std::to_string(value);
    return *this;
}

TJsonObject& TJsonObject::Null(std::string_view key) {
    Key(key);
    body_ += "null";
    return *this;
}

TJsonObject& TJsonObject::Raw(std::string_view key, std::string_view json) {
    Key(key);
    body_ += json;
    return *this;
}

std::optional<TJsonMembers> ParseFlatJsonObject(std::string_view json, size_t maxBytes) {
    if (json.size() > maxBytes) return std::nullopt;
    TReader r(json);
    TJsonMembers out;
    if (!r.Take('{')) return std::nullopt;
    if (!r.Take('}')) {
        do {
            auto key = r.String();
            if (!key || !r.Take(':')) return std::nullopt;
            std::optional<TJsonValue> value;
            if (r.AtQuote()) {
                auto text = r.String();
                if (!text) return std::nullopt;
                value = TJsonValue{TJsonValue::Kind::String, std::move(*text), 0};
            } else {
                value = r.Scalar();
                if (!value) return std::nullopt;
            }
            if (!out.emplace(std::move(*key), std::move(*value)).second) return std::nullopt;
        } while (r.Take(','));
        if (!r.Take('}')) return std::nullopt;
    }
    if (!r.AtEnd()) return std::nullopt;
    return out;
}

const std::string* TextMember(const TJsonMembers& members, const std::string& key) {
    const auto it = members.find(key);
    return it != members.end() && it->second.kind == TJsonValue::Kind::String ? &it->second.text
                                                                              : nullptr;
}

const long long* NumberMember(const TJsonMembers& members, const std::string& key) {
    const auto it = members.find(key);
    return it != members.end() && it->second.kind == TJsonValue::Kind::Number ? &it->second.number
                                                                              : nullptr;
}

}  // namespace ravlin
