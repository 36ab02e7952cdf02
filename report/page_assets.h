// The files of the report page, embedded at build time (embed.cmake).
#pragma once

namespace tav::report {

extern const char kPageHtml[];  // the frame, with {{...}} where the rest goes
extern const char kPageCss[];
extern const char kPageJs[];

}  // namespace tav::report
