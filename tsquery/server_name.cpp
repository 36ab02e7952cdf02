#include "tsquery/server_name.h"

namespace tav::tsquery {
namespace {

// Tested by ranges rather than with <cctype>, whose answers depend on the locale.
bool IsServerNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '.' || c == '-' || c == '_' || c == ':';
}

}  // namespace

bool IsValidServerName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxServerNameLength)
        return false;
    for (const char c : name) {
        if (!IsServerNameChar(c))
            return false;
    }
    return true;
}

}  // namespace tav::tsquery
