#pragma once
// What the status bar, the page captions' unsaved marks and the record commands show
// for a given application state. Computed in one place so that commands only change
// state and then ask for an update; the desktop program applies the result.

#include <array>
#include <optional>
#include <string>

#include "base/Pages.h"
#include "base/UserInterface.h"
#include "bridge/MqttClient.h"
#include "document/AppState.h"

namespace ravlin {

class TMonitor;

// The third panel while on-line mode waits for a lost receiver to come back.
inline constexpr const char* kLinkLostMark = "Link lost";

struct TStatusInput {
    TAppState state;
    std::string receiverDescription;  // the logged-in receiver's Description
    std::string connectionText;       // the link's connection text, e.g. "COM 1:9600"
    TPage pageShown = TPage::Memory;
    bool monitorExists = false;  // a monitor set-up exists
    bool monitorSaved = true;    // ... and has no unsaved changes
    bool messagesPanelVisible = false;
};

struct TStatusView {
    static constexpr int kPanels = 5;
    static constexpr std::array<int, kPanels> kPanelWidths{90, 150, 60, 60, 50};

    std::array<std::string, kPanels> panels;
    bool memoryMark = false;  // '*' on the Memory view page
    bool fileMark = false;    // '*' on the File view page
    // '*' on the Monitoring page; empty: leave the caption as it is.
    std::optional<bool> monitorMark;
    // Add, Edit and Delete (menu items and tool buttons together); empty: leave as they are.
    std::optional<bool> recordCommands;
};

// What monitoring adds to the input: whether a set-up exists and has unsaved changes, and
// whether monitor mode's message panel is shown instead of the pages.
void AddMonitorStatus(TStatusInput& input, const TMonitor& monitor, bool monitorMode);

// One full update. `texts` gives `Text::Saved`.
TStatusView ComputeStatus(const TStatusInput& input, const TTextTable& texts);

// The broker's panel: "Broker: connected", "Broker: unreachable, 3 waiting", ...
std::string BrokerStatusText(const TBrokerStatus& status);

// Adds or removes a trailing '*' on a caption; never doubles it.
std::string ApplyUnsavedMark(const std::string& caption, bool mark);

}  // namespace ravlin
