#include "bridge/BrokerConfig.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>

#include "base/Decimal.h"

namespace ravlin {

std::optional<TBrokerAddress> ParseBrokerUrl(const std::string& url, std::string& why) {
    TBrokerAddress a;
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
    } else if (url.rfind("mqtts://", 0) == 0) {
        rest = url.substr(8);
        a.tls = true;
        a.port = kMqttsPort;
    } else {
        why = "the broker address must begin with mqtt:// or mqtts://: " + url;
        return std::nullopt;
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    std::string port;
    if (!rest.empty() && rest[0] == '[') {
        const size_t end = rest.find(']');
        if (end == std::string::npos) {
            why = "an IPv6 address needs its closing \"]\": " + url;
            return std::nullopt;
        }
        a.host = rest.substr(1, end - 1);
        if (end + 1 < rest.size()) {
            if (rest[end + 1] != ':') {
                why = "unexpected text after the address: " + url;
                return std::nullopt;
            }
            port = rest.substr(end + 2);
            if (port.empty()) {
                why = "a port number is missing after \":\": " + url;
                return std::nullopt;
            }
        }
    } else {
        const size_t colon = rest.find(':');
        a.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            port = rest.substr(colon + 1);
            if (port.empty()) {
                why = "a port number is missing after \":\": " + url;
                return std::nullopt;
            }
        }
    }
    if (a.host.empty() || a.host.find_first_of("/@?# ") != std::string::npos) {
        why = "no host name in the broker address: " + url;
        return std::nullopt;
    }
    if (!port.empty()) {
        int n = 0;
        if (!ParseDecimal(port, n) || n < 1 || n > 65535) {
            why = "the broker's port must be a number from 1 to 65535: " + url;
            return std::nullopt;
        }
        a.port = n;
    }
    return a;
}

bool ValidTopicLevel(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    bool blank = true;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '+' || c == '#') return false;
        if (c != ' ') blank = false;
    }
    return !blank;
}

bool CheckBrokerConfig(const TBrokerConfig& config, std::string& why) {
    if (!ParseBrokerUrl(config.url, why)) return false;
    if (!ValidTopicLevel(config.site)) {
        why = "the site name \"" + config.site +
              "\" cannot be a topic level (1 to 64 characters, none of / + #)";
        return false;
    }
    if (!ValidTopicLevel(config.receiver)) {
        why = "the receiver name \"" + config.receiver +
              "\" cannot be a topic level (1 to 64 characters, none of / + #)";
        return false;
    }
    if (!config.passwordFile.empty() && config.user.empty()) {
        why = "a broker password file needs a user name";
        return false;
    }
    return true;
}

std::string FileSafe(const std::string& text) {
    std::string out;
    for (unsigned char c : text)
        out += (std::isalnum(c) && c < 0x80) || c == '-' || c == '_' ? static_cast<char>(c) : '_';
    return out;
}

std::string DefaultClientId(const std::string& program, const TBrokerConfig& config) {
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    std::string id = "ravlin-" + program + "-" + host + "-" + config.site + "-" + config.receiver;
    return FileSafe(id.substr(0, 128));
}

}  // namespace ravlin
