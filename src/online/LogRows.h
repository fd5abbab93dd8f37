#pragma once
// The History view and the Battery view as Find, the spreadsheet export and printing see
// them (views/ViewRows.h): the pages' columns, their texts in the list's order, and each
// entry's time stamp for the export's date-time cells.

#include "base/UserInterface.h"
#include "online/Battery.h"
#include "online/History.h"
#include "views/ViewRows.h"

namespace ravlin {

// `visible`: the user fields the File view shows (UserFieldsOf).
TTextRows HistoryRows(const THistory& history, const TUserVisibility& visible,
                      const PopisType& texts, const TUserFieldTitles& titles);
TTextRows BatteryRows(const TBatt& battery, const TUserVisibility& visible, const PopisType& texts,
                      const TUserFieldTitles& titles);

}  // namespace ravlin
