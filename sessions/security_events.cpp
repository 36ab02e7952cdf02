#include "sessions/security_events.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "base/codepage.h"

namespace tav::sessions {
namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a == b || (a.size() == b.size() && SameFolded(a, b));
}

char32_t FoldedLetter(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

// The folded letter at `pos`, which moves past it.
char32_t FoldedAt(std::string_view utf8, std::size_t& pos)
{
    const unsigned char byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte >= 'A' && byte <= 'Z' ? byte + 0x20 : byte;
    }
    return FoldedLetter(ReadUtf8(utf8, pos));
}

// Folded, both texts hold the same letters up to the end of `b` (all of
// `a` too with `whole`).
bool SameFoldedLetters(std::string_view a, std::string_view b, bool whole)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size())
        if (FoldedAt(a, i) != FoldedAt(b, j))
            return false;
    return j == b.size() && (!whole || i == a.size());
}

}  // namespace

std::uint32_t EventOf(const evtx::Record& record, std::string_view provider)
{
    return EqualIgnoringCase(record.provider, provider) ? security::EventIdOf(record.eventId) : 0;
}

std::string FromText(std::string_view ip, std::string_view workstation)
{
    if (!ip.empty() && ip != "-" && ip != "127.0.0.1" && ip != "::1")
        return std::string(ip);
    if (!workstation.empty() && workstation != "-")
        return std::string(workstation);
    return {};
}

std::string ComputerKey(std::string_view computer)
{
    return FoldCase(computer.substr(0, computer.find('.')));
}

int ParseLogonType(std::string_view text)
{
    int type = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), type);
    return error == std::errc() && end == text.data() + text.size() && type >= 0 ? type : -1;
}

std::string LogonTypeName(int type)
{
    static const char* const kNames[] = {nullptr,       nullptr,           "Interactive",       "Network",
                                         "Batch",       "Service",         nullptr,             "Unlock",
                                         "NetworkCleartext", "NewCredentials", "RemoteInteractive", "CachedInteractive",
                                         "CachedRemoteInteractive", "CachedUnlock"};
    if (type >= 0 && static_cast<std::size_t>(type) < std::size(kNames) && kNames[type] != nullptr)
        return kNames[type];
    return type < 0 ? std::string() : std::to_string(type);
}

bool MatchesUser(std::string_view wanted, std::string_view user, std::string_view domain)
{
    const std::string folded = FoldCase(wanted);
    const std::string name = FoldCase(user);
    if (folded == name)
        return true;
    // Some records carry no domain (a burst of guessed passwords, for one):
    // DOMAIN\NAME then matches them by the name alone, or they would drop out.
    if (domain.empty() || domain == "-") {
        const std::size_t slash = folded.find('\\');
        return slash != std::string::npos && std::string_view(folded).substr(slash + 1) == name;
    }
    return folded == FoldCase(domain) + "\\" + name;
}

bool MatchesFrom(std::string_view wanted, std::string_view ip, std::string_view workstation, std::string_view from)
{
    const std::string folded = FoldCase(wanted);
    return folded == FoldCase(ip) || folded == FoldCase(workstation) || folded == FoldCase(from);
}

const char* EndReasonKey(EndReason reason)
{
    switch (reason) {
    case EndReason::Logoff: return "logoff";
    case EndReason::Shutdown: return "shutdown";
    case EndReason::Crash: return "crash";
    case EndReason::Open: break;
    }
    return "open";
}

std::string Joined(const std::vector<std::string>& texts)
{
    std::string text;
    for (const std::string& item : texts)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string DurationText(std::int64_t seconds)
{
    const std::int64_t minutes = (seconds < 0 ? -seconds : seconds) / 60;
    const long long days = minutes / 1440;
    const long long hours = minutes / 60 % 24;
    char text[48];
    if (days > 0)
        std::snprintf(text, sizeof text, "(%s%lld+%02lld:%02lld)", seconds < 0 ? "-" : "", days, hours,
                      static_cast<long long>(minutes % 60));
    else
        std::snprintf(text, sizeof text, "(%s%lld:%02lld)", seconds < 0 ? "-" : "", hours,
                      static_cast<long long>(minutes % 60));
    return text;
}

bool IsZeroCode(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '0' || c == '-'; });
}

std::string FoldCase(std::string_view utf8)
{
    std::string folded;
    folded.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t letter = FoldedAt(utf8, pos);
        if (letter < 0x80)
            folded += static_cast<char>(letter);
        else
            AppendUtf8(folded, letter);
    }
    return folded;
}

bool FoldedStartsWith(std::string_view utf8, std::string_view folded)
{
    return SameFoldedLetters(utf8, folded, false);
}

bool SameFolded(std::string_view a, std::string_view b)
{
    return SameFoldedLetters(a, b, true);
}

}  // namespace tav::sessions
