// Compiling token streams: a template definition, or a tree without one,
// into the flat operations a record's walk runs.
#include <cstring>
#include <string_view>

#include "base/bytes.h"
#include "evtx/binxml_internal.h"

namespace tav::evtx::binxml {
namespace {

struct KnownName {
    std::string_view text;
    Name name;
};

constexpr KnownName kKnownNames[] = {
    {"System", Name::System},
    {"Provider", Name::Provider},
    {"EventID", Name::EventID},
    {"EventRecordID", Name::EventRecordID},
    {"TimeCreated", Name::TimeCreated},
    {"Channel", Name::Channel},
    {"Computer", Name::Computer},
    {"EventData", Name::EventData},
    {"UserData", Name::UserData},
    {"ProcessingErrorData", Name::ProcessingErrorData},
    {"Data", Name::Data},
    {"Name", Name::NameAttr},
    {"Qualifiers", Name::Qualifiers},
    {"SystemTime", Name::SystemTime},
    {"amp", Name::Amp},
    {"lt", Name::Lt},
    {"gt", Name::Gt},
    {"quot", Name::Quot},
    {"apos", Name::Apos},
};

Name Identify(const std::uint8_t* chars, std::uint32_t units)
{
    char ascii[24];
    if (units > sizeof ascii)
        return Name::Other;
    for (std::uint32_t i = 0; i < units; ++i) {
        if (chars[2 * i + 1] != 0 || chars[2 * i] >= 0x80)
            return Name::Other;
        ascii[i] = static_cast<char>(chars[2 * i]);
    }
    const std::string_view text(ascii, units);
    for (const KnownName& known : kKnownNames)
        if (known.text == text)
            return known.name;
    return Name::Other;
}

std::uint32_t EntityCodePoint(Name name)
{
    switch (name) {
    case Name::Amp:
        return '&';
    case Name::Lt:
        return '<';
    case Name::Gt:
        return '>';
    case Name::Quot:
        return '"';
    case Name::Apos:
        return '\'';
    default:
        return 0;
    }
}

// The attributes the record's fields come from.
bool WantedAttribute(Name element, Name attribute)
{
    return (element == Name::Provider && attribute == Name::NameAttr) ||
           (element == Name::EventID && attribute == Name::Qualifiers) ||
           (element == Name::TimeCreated && attribute == Name::SystemTime);
}

}  // namespace

struct Decoder::CompileState {
    int depth = 0;
    bool inStartTag = false;
    bool done = false;
    Name element = Name::Other;  // of the start tag being compiled
    bool keepValue = false;      // the current attribute's value is kept
    bool keptAttribute = false;  // the start tag has a kept attribute
};

bool Decoder::ReadName(std::uint32_t offset, Name& name, std::uint32_t& size)
{
    if (offset > kChunkSize - 8)
        return false;
    const std::uint32_t units = LoadU16(chunk_ + offset + 6);
    size = 8 + 2 * units + 2;
    if (size > kChunkSize - offset)
        return false;
    if (const Name* found = names_.Find(offset)) {
        name = *found;
        return true;
    }
    name = Identify(chunk_ + offset + 8, units);
    names_.Add(offset, name);
    return true;
}

// A u32 name offset at `pos`; a name stored right behind it is skipped.
bool Decoder::ReadNameRef(std::uint32_t& pos, std::uint32_t end, Name& name)
{
    if (end - pos < 4)
        return false;
    const std::uint32_t at = pos;
    const std::uint32_t offset = LoadU32(chunk_ + pos);
    pos += 4;
    std::uint32_t size = 0;
    if (!ReadName(offset, name, size))
        return false;
    const bool inlined = offset == pos;
    if (inlined) {
        if (end - pos < size)
            return false;
        pos += size;
    }
    if (inDefinition_)
        refs_.push_back({at, inlined, name});
    return true;
}

bool Decoder::CompileToken(std::uint32_t& pos, std::uint32_t end, bool dependencyIds, CompileState& state)
{
    int& depth = state.depth;
    bool& inStartTag = state.inStartTag;
    // Values of attributes that never matter are left out, and so is the
    // close of a start tag without a kept attribute: fewer operations to run.
    const bool keepValue = !inStartTag || state.keepValue;
    const std::uint8_t token = chunk_[pos];
    const std::uint32_t avail = end - pos - 1;
    ++pos;
    Name name = Name::Other;
    switch (token & 0x1F) {
    case kEof:
        state.done = true;
        return depth == 0 && !inStartTag;
    case kOpenStart: {
        const std::uint32_t header = dependencyIds ? 10 : 8;
        if (inStartTag || avail < header || depth >= static_cast<int>(kMaxDepth))
            return false;
        pos += header - 4;
        const std::uint32_t dataSize = LoadU32(chunk_ + pos - 4);
        if (dataSize > end - pos)
            return false;
        if (!ReadNameRef(pos, end, name))
            return false;
        if (token & kMoreFlag) {
            if (end - pos < 4)
                return false;
            pos += 4;  // attribute list size
        }
        ops_.push_back({OpKind::Open, name, false, 0, 0});
        ++depth;
        inStartTag = true;
        state.element = name;
        state.keptAttribute = false;
        return true;
    }
    case kCloseStart:
    case kCloseEmpty:
        if (!inStartTag)
            return false;
        inStartTag = false;
        if ((token & 0x1F) == kCloseEmpty) {
            --depth;
            ops_.push_back({OpKind::CloseEmpty, name, false, 0, 0});
        } else if (state.keptAttribute) {
            ops_.push_back({OpKind::CloseStart, name, false, 0, 0});
        }
        return true;
    case kEndElement:
        if (inStartTag || depth == 0)
            return false;
        --depth;
        ops_.push_back({OpKind::End, name, false, 0, 0});
        return true;
    case kAttribute:
        if (!inStartTag || !ReadNameRef(pos, end, name))
            return false;
        state.keepValue = WantedAttribute(state.element, name);
        if (state.keepValue) {
            state.keptAttribute = true;
            ops_.push_back({OpKind::Attribute, name, false, 0, 0});
        }
        return true;
    case kValueText:
    case kCData:
    case kPiData: {
        const std::uint32_t skip = (token & 0x1F) == kValueText ? 1 : 0;  // value type byte
        if (avail < skip + 2)
            return false;
        const std::uint32_t units = LoadU16(chunk_ + pos + skip);
        if (avail - skip - 2 < 2 * units)
            return false;
        if ((token & 0x1F) != kPiData && keepValue)
            ops_.push_back({OpKind::Text, name, false, pos + skip + 2, units});
        pos += skip + 2 + 2 * units;
        return true;
    }
    case kCharRef:
        if (avail < 2)
            return false;
        if (keepValue)
            ops_.push_back({OpKind::CodePoint, name, false, LoadU16(chunk_ + pos), 0});
        pos += 2;
        return true;
    case kEntityRef:
        if (!ReadNameRef(pos, end, name))
            return false;
        if (EntityCodePoint(name) != 0 && keepValue)
            ops_.push_back({OpKind::CodePoint, name, false, EntityCodePoint(name), 0});
        return true;
    case kPiTarget:
        return ReadNameRef(pos, end, name);
    case kSubstitution:
    case kOptionalSubstitution:
        if (avail < 3)
            return false;
        if (keepValue)
            ops_.push_back({OpKind::Subst, name, (token & 0x1F) == kOptionalSubstitution, LoadU16(chunk_ + pos), 0});
        pos += 3;
        return true;
    case kFragmentHeader:
        if (avail < 3)
            return false;
        pos += 3;
        return true;
    default:
        return false;
    }
}

// Compiles the element tree in [pos, end) up to its EOF token; element starts
// carry a dependency id inside template definitions only.
bool Decoder::Compile(std::uint32_t pos, std::uint32_t end, bool dependencyIds)
{
    CompileState state;
    while (!state.done) {
        if (pos >= end || ops_.size() >= kMaxOps)
            return false;
        if (!CompileToken(pos, end, dependencyIds, state))
            return false;
    }
    return true;
}

// The compiled template whose definition starts at `offset`, into `out`
// (a copy: compiling nested templates moves the table's entries); false
// when the definition is not well-formed.
bool Decoder::TemplateAt(std::uint32_t offset, Template& out)
{
    if (const Template* found = templates_.Find(offset)) {
        out = *found;
        return out.ok;
    }
    Template entry;
    entry.firstOp = static_cast<std::uint32_t>(ops_.size());
    std::uint32_t size = 0;
    bool compiled = false;
    if (offset <= kChunkSize - 24) {
        const std::uint32_t body = offset + 24;
        size = LoadU32(chunk_ + offset + 20);
        if (size <= kChunkSize - body) {
            entry.ok = Reuse(offset, size, entry);
            if (!entry.ok) {
                refs_.clear();
                inDefinition_ = true;
                compiled = entry.ok = Compile(body, body + size, true);
                inDefinition_ = false;
            }
        }
    }
    if (!entry.ok)
        ops_.resize(entry.firstOp);
    entry.opCount = static_cast<std::uint32_t>(ops_.size() - entry.firstOp);
    if (compiled) {
        FindSystemValues(entry);
        Remember(offset, size, entry);
    }
    templates_.Add(offset, entry);
    out = entry;
    return entry.ok;
}

std::uint64_t Decoder::KnownKey(const std::uint8_t* guid, std::uint32_t size)
{
    return (LoadU64(guid) ^ (LoadU64(guid + 8) * 0x9E3779B97F4A7C15u)) + size;
}

// Whether the definition of `size` bytes at `offset` is one compiled
// before: then its operations, moved to where it stands, are appended and
// `entry` gets their System values. The bytes must be the same, but for
// the name offsets: one stored inline again, or one elsewhere naming what
// it named then.
bool Decoder::Reuse(std::uint32_t offset, std::uint32_t size, Template& entry)
{
    const std::uint8_t* bytes = chunk_ + offset + 4;
    const auto found = known_.find(KnownKey(bytes, size));
    if (found == known_.end())
        return false;
    const KnownTemplate& known = found->second;
    // A compile would fail here for lack of room; let it say so.
    if (known.bytes.size() != 20 + std::size_t{size} || ops_.size() + known.ops.size() >= kMaxOps)
        return false;
    std::uint32_t from = 0;
    for (const NameRef& ref : known.refs) {
        if (std::memcmp(bytes + from, known.bytes.data() + from, ref.at - from) != 0)
            return false;
        const std::uint32_t target = LoadU32(bytes + ref.at);
        const std::uint32_t behind = offset + 4 + ref.at + 4;
        if (ref.inlined != (target == behind))
            return false;
        Name name = Name::Other;
        std::uint32_t nameSize = 0;
        if (!ref.inlined && (!ReadName(target, name, nameSize) || name != ref.name))
            return false;
        from = ref.at + 4;
    }
    if (std::memcmp(bytes + from, known.bytes.data() + from, known.bytes.size() - from) != 0)
        return false;
    const std::uint32_t shift = offset - known.offset;
    for (Op op : known.ops) {
        if (op.kind == OpKind::Text)
            op.a += shift;
        ops_.push_back(op);
    }
    entry.eventIdValue = known.eventIdValue;
    entry.timeValue = known.timeValue;
    return true;
}

// Keeps the definition just compiled for later chunks, within kKnownBytes
// (all are forgotten when it would go over).
void Decoder::Remember(std::uint32_t offset, std::uint32_t size, const Template& entry)
{
    const auto cost = [](const KnownTemplate& known) {
        return known.bytes.size() + known.refs.size() * sizeof(NameRef) + known.ops.size() * sizeof(Op);
    };
    KnownTemplate known;
    known.offset = offset;
    known.bytes.assign(chunk_ + offset + 4, chunk_ + offset + 24 + size);
    known.refs = refs_;
    for (NameRef& ref : known.refs)
        ref.at -= offset + 4;
    known.ops.assign(ops_.begin() + entry.firstOp, ops_.end());
    known.eventIdValue = entry.eventIdValue;
    known.timeValue = entry.timeValue;
    if (cost(known) > kKnownBytes)
        return;
    const std::uint64_t key = KnownKey(known.bytes.data(), size);
    if (const auto found = known_.find(key); found != known_.end()) {
        knownBytes_ -= cost(found->second);
        known_.erase(found);
    }
    if (knownBytes_ + cost(known) > kKnownBytes) {
        known_.clear();
        knownBytes_ = 0;
    }
    knownBytes_ += cost(known);
    known_.emplace(key, std::move(known));
}

// The value indexes whose substitutions are all there is in System/EventID
// and in TimeCreated/@SystemTime, as the record's walk would find them; -1
// where a field is spelled out, made of pieces or given more than once.
// Templates without both take the full walk.
void Decoder::FindSystemValues(Template& tmpl) const
{
    std::vector<Role> roles;
    Name attribute = Name::Other;  // the kept attribute being read, Other outside one
    int eventIds = 0;
    int times = 0;
    std::int32_t eventId = -1;
    std::int32_t time = -1;
    bool spelled = false;
    for (std::uint32_t i = tmpl.firstOp; i < tmpl.firstOp + tmpl.opCount; ++i) {
        const Op& op = ops_[i];
        const Role role = roles.empty() ? Role::Ignored : roles.back();
        const bool inEventId = role == Role::EventId && attribute == Name::Other;
        const bool inTime = role == Role::TimeCreated && attribute == Name::SystemTime;
        switch (op.kind) {
        case OpKind::Open:
            roles.push_back(RoleOf(role, op.name, roles.empty()));
            eventIds += roles.back() == Role::EventId ? 1 : 0;
            times += roles.back() == Role::TimeCreated ? 1 : 0;
            attribute = Name::Other;
            break;
        case OpKind::Attribute:
            attribute = op.name;
            break;
        case OpKind::CloseStart:
            attribute = Name::Other;
            break;
        case OpKind::CloseEmpty:
        case OpKind::End:
            attribute = Name::Other;
            if (roles.empty())
                return;
            roles.pop_back();
            break;
        case OpKind::Text:
        case OpKind::CodePoint:
            spelled = spelled || inEventId || inTime;
            break;
        case OpKind::Subst:
            if (inEventId) {
                spelled = spelled || eventId >= 0;
                eventId = static_cast<std::int32_t>(op.a);
            } else if (inTime) {
                spelled = spelled || time >= 0;
                time = static_cast<std::int32_t>(op.a);
            }
            break;
        }
    }
    if (!spelled && eventIds == 1 && times == 1 && eventId >= 0 && time >= 0) {
        tmpl.eventIdValue = eventId;
        tmpl.timeValue = time;
    }
}

}  // namespace tav::evtx::binxml
