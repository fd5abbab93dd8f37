#pragma once
// The broker options of ravlin-cli (listen, monitor, alarms, deactivate):
//
//   --mqtt URL  --site S  --receiver R  --mqtt-user U  --mqtt-password-file FILE
//   --mqtt-ca FILE  --mqtt-client-id ID
//
// The site, receiver, user, password file and CA file default to the settings file's
// (section Broker). Without --mqtt nothing goes to a broker.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Cli.h"
#include "ReceptionCli.h"
#include "app/Core.h"
#include "bridge/Bridge.h"
#include "bridge/BrokerConfig.h"

namespace ravlin::cli {

struct TBrokerOptions {
    std::string url;
    std::optional<std::string> site, receiver, user, passwordFile, caFile;
    std::string clientId;
};

// The option rows of the command tables.
// clang-format off
#define RAVLIN_CLI_BROKER_OPTIONS                                                          \
    {"--mqtt", "URL", "publish to the MQTT broker mqtt://HOST:PORT or mqtts://HOST:PORT"}, \
    {"--site", "S", "the site's name in the broker topics"},                               \
    {"--receiver", "R", "the receiver's name in the broker topics"},                       \
    {"--mqtt-user", "U", "the broker user"},                                               \
    {"--mqtt-password-file", "FILE", "the broker password, in a file only you read"},      \
    {"--mqtt-ca", "FILE", "the certificate authority of an mqtts:// broker"},              \
    {"--mqtt-client-id", "ID", "this console's client id"}
// clang-format on

// Takes args[i] (and its value) when it is a broker option: 1 taken, 0 not one, kUsage
// after a usage error was printed.
inline int ParseBrokerOption(const std::vector<std::string>& args, size_t& i, TBrokerOptions& o) {
    const std::string& a = args[i];
    static const char* const kNames[] = {
        "--mqtt",    "--site",          "--receiver", "--mqtt-user", "--mqtt-password-file",
        "--mqtt-ca", "--mqtt-client-id"};
    bool known = false;
    for (const char* n : kNames) known = known || a == n;
    if (!known) return 0;
    if (i + 1 >= args.size()) return UsageError(a + " needs a value");
    const std::string& v = args[++i];
    if (a == "--mqtt")
        o.url = v;
    else if (a == "--site")
        o.site = v;
    else if (a == "--receiver")
        o.receiver = v;
    else if (a == "--mqtt-user")
        o.user = v;
    else if (a == "--mqtt-password-file")
        o.passwordFile = v;
    else if (a == "--mqtt-ca")
        o.caFile = v;
    else
        o.clientId = v;
    return 1;
}

// The options over the settings file's broker.
inline TBrokerConfig BrokerConfigOf(const TCore& core, const TBrokerOptions& o) {
    const TSettings& s = core.settings;
    TBrokerConfig c;
    c.url = o.url;
    c.site = o.site.value_or(s.BrokerSite);
    c.receiver = o.receiver.value_or(s.BrokerReceiver);
    c.user = o.user.value_or(s.BrokerUser);
    c.passwordFile = o.passwordFile.value_or(s.BrokerPasswordFile);
    c.caFile = o.caFile.value_or(s.BrokerCaFile);
    c.clientId = o.clientId;
    return c;
}

// The broker's lines on stderr: "ravlin-cli COMMAND: broker: ...".
inline std::function<void(const std::string&)> BrokerLog() {
    return [](const std::string& line) { CommandMessage(line); };
}

// The bridge of listen and monitor (`program`), started, its receptions' records those of
// `logs`; nullptr without --mqtt. False after a reported failure.
inline bool StartBridge(TCore& core, const TBrokerOptions& b, const char* program,
                        const TReceptionLogs& logs, bool commands,
                        std::unique_ptr<TBridge>& bridge) {
    if (b.url.empty()) return true;
    TBrokerConfig config = BrokerConfigOf(core, b);
    if (config.clientId.empty()) config.clientId = DefaultClientId(program, config);
    bridge = std::make_unique<TBridge>(config, core.folders.homeDir, BrokerLog());
    bridge->findRecord = [&logs](const TReception& r) {
        return logs.Records() ? ReceptionRecord(*logs.Records(), r) : nullptr;
    };
    std::string why;
    if (bridge->Start(commands, why)) return true;
    CommandMessage(why);
    bridge.reset();
    return false;
}

}  // namespace ravlin::cli
