// The Win32 side of the date-time layer: the user's regional formats and
// UTC to local time under given time-zone rules.
#pragma once

#include <optional>

#include "base/datetime.h"
#include "base/win32.h"

namespace tav {

// The short date, long time, separators and AM/PM designators of the user's
// default locale (not the thread locale). A value that cannot be read keeps
// the default of DateTimeFormats.
DateTimeFormats ReadUserDateTimeFormats();

// A date-time as a SYSTEMTIME (to the millisecond; years before 1601 are
// outside what SYSTEMTIME conversions take), and back.
SYSTEMTIME ToSystemTime(DateTime value);
std::optional<DateTime> FromSystemTime(const SYSTEMTIME& time);

// The current local date and time.
DateTime Now();

// The same instant in local time in `zone`, under the rules the zone had in
// the instant's year, applied on its own date. The input unchanged when
// Windows cannot convert it.
DateTime UtcToLocalDateTime(DateTime utc, const DYNAMIC_TIME_ZONE_INFORMATION& zone);

}  // namespace tav
