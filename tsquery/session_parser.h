// Turns the list PowerShell printed for the Local Session Manager's logon
// events into rows: date, user name, source network address. The console
// lays out every event as a block such as
//
//   TimeCreated : 14.10.2016 9:05:11
//   Message     : Remote Desktop Services: Session logon succeeded:
//
//                 User: DOMAIN\user1
//                 Session ID: 2
//                 Source Network Address: 10.0.0.15
//
// (on Russian systems "Пользователь:" and "Адрес сети источника:"), and the
// values are cut out at fixed character columns behind their markers.
#pragma once

#include <functional>
#include <string>

#include "base/row_store.h"
#include "tsquery/raw_output.h"

namespace tav::tsquery {

// Shown once when a parse ends on an error.
inline constexpr char kParseErrorText[] = "Произошла ошибка!\rОбратитесь к разработчику.";

using RowSink = std::function<void(ResultRow&&)>;
using ErrorSink = std::function<void(const std::string&)>;

// Walks every line of `buffer` and hands each row to `addRow`: caption the
// last date seen, sub-items the last user and the address of the line that
// makes the row. An exception from reading a line or from `addRow` ends the
// parse with one call of `onError(kParseErrorText)`. Returns the number of
// rows `addRow` took.
int ParseSessionOutput(const RawOutputBuffer& buffer, const RowSink& addRow,
                       const ErrorSink& onError);

}  // namespace tav::tsquery
