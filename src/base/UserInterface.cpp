#include "base/UserInterface.h"

namespace ravlin {

TMessage TMessage::Lang(const PopisType& table, int id, const std::string& suffix) {
    std::string text =
        (id >= 0 && static_cast<size_t>(id) < table.size()) ? table[id] : std::string();
    return {id, text + suffix};
}

}  // namespace ravlin
