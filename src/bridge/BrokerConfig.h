#pragma once
// Where consoles meet: an MQTT broker of the site (Mosquitto or any other), the names this
// console publishes under, and how it proves who it is. Everything a console publishes
// lies under "ravlin/SITE/RECEIVER/" (Topics.h).

#include <optional>
#include <string>

namespace ravlin {

struct TBrokerConfig {
    std::string url;  // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]; empty: no broker
    std::string site = "site";
    std::string receiver = "receiver";
    std::string user;          // empty: none
    std::string passwordFile;  // the password: first line of a file only its owner may read
    std::string caFile;        // mqtts: the authority the server's certificate must come from
                               // (empty: the system's authorities)
    std::string clientId;      // empty: DefaultClientId
};

struct TBrokerAddress {
    std::string host;
    int port = 1883;
    bool tls = false;
};

inline constexpr int kMqttPort = 1883;
inline constexpr int kMqttsPort = 8883;

// mqtt://HOST[:PORT] and mqtts://HOST[:PORT] (1883 and 8883 when no port is given; an
// IPv6 address in brackets). Anything else: nullopt and `why`.
std::optional<TBrokerAddress> ParseBrokerUrl(const std::string& url, std::string& why);

// A site or receiver name, one level of a topic: 1 to 64 characters, no "/", "+", "#",
// no control characters, not blank.
bool ValidTopicLevel(const std::string& name);

// The address, the names and the files of `config`: false with `why` (what to change).
bool CheckBrokerConfig(const TBrokerConfig& config, std::string& why);

// "ravlin-PROGRAM-HOST-SITE-RECEIVER": the same console gets the same id after a restart
// (its queue of undelivered messages is kept under it), two consoles get two.
std::string DefaultClientId(const std::string& program, const TBrokerConfig& config);

// A client id as a file name part: letters, digits, "-" and "_" kept, the rest "_".
std::string FileSafe(const std::string& text);

}  // namespace ravlin
