#include "evtx/binxml.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "base/bytes.h"
#include "base/codepage.h"
#include "evtx/filetime.h"
#include "evtx/value_text.h"

namespace tav::evtx {
namespace {

constexpr std::uint32_t kChunkSize = 65536;
constexpr std::size_t kMaxDepth = 64;      // elements open at once, nesting included
constexpr int kMaxNesting = 8;             // BinXml values inside BinXml values
constexpr std::size_t kMaxOps = 4 * kChunkSize;  // compiled operations kept per chunk
// Work one record may cost (operations plus value bytes rendered): bounds a
// record that makes a big template run again and again through nested values.
constexpr std::int64_t kRecordBudget = 4 << 20;

enum Token : std::uint8_t {
    kEof = 0x00,
    kOpenStart = 0x01,
    kCloseStart = 0x02,
    kCloseEmpty = 0x03,
    kEndElement = 0x04,
    kValueText = 0x05,
    kAttribute = 0x06,
    kCData = 0x07,
    kCharRef = 0x08,
    kEntityRef = 0x09,
    kPiTarget = 0x0a,
    kPiData = 0x0b,
    kTemplateInstance = 0x0c,
    kSubstitution = 0x0d,
    kOptionalSubstitution = 0x0e,
    kFragmentHeader = 0x0f,
};
constexpr std::uint8_t kMoreFlag = 0x40;

}  // namespace

namespace {

struct KnownName {
    std::string_view text;
    BinXmlDecoder::Name name;
};

constexpr KnownName kKnownNames[] = {
    {"System", BinXmlDecoder::Name::System},
    {"Provider", BinXmlDecoder::Name::Provider},
    {"EventID", BinXmlDecoder::Name::EventID},
    {"EventRecordID", BinXmlDecoder::Name::EventRecordID},
    {"TimeCreated", BinXmlDecoder::Name::TimeCreated},
    {"Channel", BinXmlDecoder::Name::Channel},
    {"Computer", BinXmlDecoder::Name::Computer},
    {"EventData", BinXmlDecoder::Name::EventData},
    {"UserData", BinXmlDecoder::Name::UserData},
    {"ProcessingErrorData", BinXmlDecoder::Name::ProcessingErrorData},
    {"Data", BinXmlDecoder::Name::Data},
    {"Name", BinXmlDecoder::Name::NameAttr},
    {"Qualifiers", BinXmlDecoder::Name::Qualifiers},
    {"SystemTime", BinXmlDecoder::Name::SystemTime},
    {"amp", BinXmlDecoder::Name::Amp},
    {"lt", BinXmlDecoder::Name::Lt},
    {"gt", BinXmlDecoder::Name::Gt},
    {"quot", BinXmlDecoder::Name::Quot},
    {"apos", BinXmlDecoder::Name::Apos},
};

BinXmlDecoder::Name Identify(const std::uint8_t* chars, std::uint32_t units)
{
    char ascii[24];
    if (units > sizeof ascii)
        return BinXmlDecoder::Name::Other;
    for (std::uint32_t i = 0; i < units; ++i) {
        if (chars[2 * i + 1] != 0 || chars[2 * i] >= 0x80)
            return BinXmlDecoder::Name::Other;
        ascii[i] = static_cast<char>(chars[2 * i]);
    }
    const std::string_view text(ascii, units);
    for (const KnownName& known : kKnownNames)
        if (known.text == text)
            return known.name;
    return BinXmlDecoder::Name::Other;
}

std::uint32_t EntityCodePoint(BinXmlDecoder::Name name)
{
    switch (name) {
    case BinXmlDecoder::Name::Amp:
        return '&';
    case BinXmlDecoder::Name::Lt:
        return '<';
    case BinXmlDecoder::Name::Gt:
        return '>';
    case BinXmlDecoder::Name::Quot:
        return '"';
    case BinXmlDecoder::Name::Apos:
        return '\'';
    default:
        return 0;
    }
}

BinXmlDecoder::Role RoleOf(BinXmlDecoder::Role parent, BinXmlDecoder::Name name, bool root)
{
    using R = BinXmlDecoder::Role;
    using N = BinXmlDecoder::Name;
    if (root)
        return R::Root;
    switch (parent) {
    case R::Root:
        switch (name) {
        case N::System:
            return R::System;
        case N::EventData:
            return R::EventData;
        case N::UserData:
            return R::UserData;
        case N::ProcessingErrorData:
            return R::ErrorData;
        default:
            return R::Ignored;
        }
    case R::System:
        switch (name) {
        case N::Provider:
            return R::Provider;
        case N::EventID:
            return R::EventId;
        case N::EventRecordID:
            return R::EventRecordId;
        case N::TimeCreated:
            return R::TimeCreated;
        case N::Channel:
            return R::Channel;
        case N::Computer:
            return R::Computer;
        default:
            return R::Ignored;
        }
    case R::EventData:
        return name == N::Data ? R::Payload : R::Ignored;
    case R::ErrorData:
        return R::Payload;
    case R::UserData:
        return R::Wrapper;
    case R::Wrapper:
    case R::UserLeaf:
        return R::UserLeaf;
    default:
        return R::Ignored;
    }
}

BinXmlDecoder::Field ContentField(BinXmlDecoder::Role role)
{
    using R = BinXmlDecoder::Role;
    using F = BinXmlDecoder::Field;
    switch (role) {
    case R::Channel:
        return F::Channel;
    case R::Computer:
        return F::Computer;
    case R::EventId:
        return F::EventId;
    case R::EventRecordId:
        return F::EventRecordId;
    case R::Payload:
    case R::UserLeaf:
        return F::Payload;
    default:
        return F::None;
    }
}

// The field an attribute of an element of `role` fills; None for others.
BinXmlDecoder::Field AttributeField(BinXmlDecoder::Role role, BinXmlDecoder::Name name)
{
    using R = BinXmlDecoder::Role;
    using N = BinXmlDecoder::Name;
    using F = BinXmlDecoder::Field;
    if (role == R::Provider && name == N::NameAttr)
        return F::Provider;
    if (role == R::EventId && name == N::Qualifiers)
        return F::Qualifiers;
    if (role == R::TimeCreated && name == N::SystemTime)
        return F::SystemTime;
    return F::None;
}

bool IsNumberField(BinXmlDecoder::Field field)
{
    return field == BinXmlDecoder::Field::EventId || field == BinXmlDecoder::Field::Qualifiers ||
           field == BinXmlDecoder::Field::SystemTime || field == BinXmlDecoder::Field::EventRecordId;
}

// The attributes the record's fields come from.
bool WantedAttribute(BinXmlDecoder::Name element, BinXmlDecoder::Name attribute)
{
    using N = BinXmlDecoder::Name;
    return (element == N::Provider && attribute == N::NameAttr) ||
           (element == N::EventID && attribute == N::Qualifiers) ||
           (element == N::TimeCreated && attribute == N::SystemTime);
}

}  // namespace

struct BinXmlDecoder::CompileState {
    int depth = 0;
    bool inStartTag = false;
    bool done = false;
    Name element = Name::Other;  // of the start tag being compiled
    bool keepValue = false;      // the current attribute's value is kept
    bool keptAttribute = false;  // the start tag has a kept attribute
};

void BinXmlDecoder::Reset(const std::uint8_t* chunk, const EventIdSet* keep, StringSet strings)
{
    chunk_ = chunk;
    keep_ = keep;
    strings_ = strings;
    names_.Clear();
    templates_.Clear();
    ops_.clear();
    steps_.clear();
    contexts_.clear();
    plans_.clear();
    plansByEntry_.clear();
}

// ---- Compiling token streams ----------------------------------------------

bool BinXmlDecoder::ReadName(std::uint32_t offset, Name& name, std::uint32_t& size)
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
bool BinXmlDecoder::ReadNameRef(std::uint32_t& pos, std::uint32_t end, Name& name)
{
    if (end - pos < 4)
        return false;
    const std::uint32_t offset = LoadU32(chunk_ + pos);
    pos += 4;
    std::uint32_t size = 0;
    if (!ReadName(offset, name, size))
        return false;
    if (offset == pos) {
        if (end - pos < size)
            return false;
        pos += size;
    }
    return true;
}

bool BinXmlDecoder::CompileToken(std::uint32_t& pos, std::uint32_t end, bool dependencyIds, CompileState& state)
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
bool BinXmlDecoder::Compile(std::uint32_t pos, std::uint32_t end, bool dependencyIds)
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
bool BinXmlDecoder::TemplateAt(std::uint32_t offset, Template& out)
{
    if (const Template* found = templates_.Find(offset)) {
        out = *found;
        return out.ok;
    }
    Template entry;
    entry.firstOp = static_cast<std::uint32_t>(ops_.size());
    if (offset <= kChunkSize - 24) {
        const std::uint32_t body = offset + 24;
        const std::uint32_t size = LoadU32(chunk_ + offset + 20);
        if (size <= kChunkSize - body)
            entry.ok = Compile(body, body + size, true);
    }
    if (!entry.ok)
        ops_.resize(entry.firstOp);
    entry.opCount = static_cast<std::uint32_t>(ops_.size() - entry.firstOp);
    if (entry.ok)
        FindSystemValues(entry);
    templates_.Add(offset, entry);
    out = entry;
    return entry.ok;
}

// The value indexes whose substitutions are all there is in System/EventID
// and in TimeCreated/@SystemTime, as the record's walk would find them; -1
// where a field is spelled out, made of pieces or given more than once.
// Templates without both take the full walk.
void BinXmlDecoder::FindSystemValues(Template& tmpl) const
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

// The number value `index` holds, as ValueNumber gives it; the types event
// ids and times have go first, for the records a walk passes over.
bool BinXmlDecoder::NumberAt(const std::vector<Value>& values, std::int32_t index, std::uint64_t& number) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= values.size())
        return false;
    const Value& value = values[static_cast<std::size_t>(index)];
    const std::uint8_t* p = chunk_ + value.offset;
    if (value.type == kUInt16 && value.size >= 2) {
        number = LoadU16(p);
        return true;
    }
    if (value.type == kFiletime && value.size >= 8) {
        number = LoadU64(p);
        return true;
    }
    if (value.type & kArrayFlag)
        return false;
    const auto general = ValueNumber(value.type, ValueBytes(p, value.size));
    number = general.value_or(0);
    return general.has_value();
}

// Whether a record of this template and these values has an event id the
// walk does not keep (its id and time then noted); false whenever either
// is not plain from its value.
bool BinXmlDecoder::Unwanted(const Template& tmpl, const std::vector<Value>& values)
{
    std::uint64_t eventId = 0;
    std::uint64_t created = 0;
    if (!NumberAt(values, tmpl.eventIdValue, eventId) || keep_->test(static_cast<std::size_t>(eventId & 0xFFFF)) ||
        !NumberAt(values, tmpl.timeValue, created))
        return false;
    eventId_ = eventId;
    timeCreated_ = created;
    haveTimeCreated_ = true;
    return true;
}

// ---- Flattened walks --------------------------------------------------------

// The steps Run would take through a template entered with `context` open
// (its elements' roles, the innermost capturing or not), for values that
// hold no surprises; -1 when an insertion string's element holds an
// element (then which strings there are depends on the values) or the
// chunk's steps are used up.
std::int32_t BinXmlDecoder::Plan(const Template& tmpl, std::vector<Open> stack)
{
    // An operation makes at most three steps; what a chunk plans is bounded
    // as what it compiles is.
    if (steps_.size() + 3 * tmpl.opCount > kMaxOps || contexts_.size() > kMaxOps)
        return -1;
    const auto firstStep = static_cast<std::uint32_t>(steps_.size());
    bool inAttribute = false;
    Field attributeField = Field::None;
    const auto step = [&](StepKind kind, Field field, std::uint32_t a = 0, bool optional = false) {
        steps_.push_back({kind, field, optional, inAttribute, a, 0, 0, 0});
    };
    const auto endAttribute = [&] {
        if (inAttribute && IsNumberField(attributeField)) {
            step(StepKind::Commit, attributeField);
            step(StepKind::StartNumber, Field::None);
        }
        inAttribute = false;
    };
    const auto currentField = [&] {
        if (inAttribute)
            return attributeField;
        return stack.empty() || !stack.back().capturing ? Field::None : ContentField(stack.back().role);
    };
    const auto closeElement = [&] {
        const Open top = stack.back();
        stack.pop_back();
        if (top.capturing && IsNumberField(ContentField(top.role)))
            step(StepKind::Commit, ContentField(top.role));
    };
    for (std::uint32_t i = tmpl.firstOp; i < tmpl.firstOp + tmpl.opCount; ++i) {
        const Op op = ops_[i];
        switch (op.kind) {
        case OpKind::Open: {
            inAttribute = false;
            Role parent = Role::Ignored;
            const bool root = stack.empty();
            if (!root) {
                if (stack.back().capturing && ContentField(stack.back().role) == Field::Payload) {
                    steps_.resize(firstStep);
                    return -1;
                }
                parent = stack.back().role;
                stack.back().capturing = false;
            }
            const Role role = RoleOf(parent, op.name, root);
            const Field field = ContentField(role);
            stack.push_back({role, field != Field::None});
            if (field == Field::Payload)
                step(StepKind::NewString, field);
            else if (IsNumberField(field))
                step(StepKind::StartNumber, field);
            else if (field != Field::None)
                step(StepKind::Clear, field);
            break;
        }
        case OpKind::CloseStart:
            endAttribute();
            break;
        case OpKind::CloseEmpty:
            endAttribute();
            closeElement();
            break;
        case OpKind::End:
            closeElement();
            break;
        case OpKind::Attribute: {
            endAttribute();
            inAttribute = true;
            attributeField = AttributeField(stack.back().role, op.name);
            if (attributeField == Field::Provider)
                step(StepKind::Clear, attributeField);
            else if (attributeField != Field::None)
                step(StepKind::StartNumber, attributeField);
            break;
        }
        case OpKind::Text:
            step(StepKind::Text, currentField(), op.a);
            steps_.back().b = op.b;
            break;
        case OpKind::CodePoint:
            step(StepKind::CodePoint, currentField(), op.a);
            break;
        case OpKind::Subst:
            step(StepKind::Value, currentField(), op.a, op.optional);
            // Where a BinXml value may go on: the elements open here.
            if (!inAttribute && currentField() == Field::None) {
                steps_.back().context = static_cast<std::uint32_t>(contexts_.size());
                steps_.back().contextSize = static_cast<std::uint32_t>(stack.size());
                contexts_.insert(contexts_.end(), stack.begin(), stack.end());
            }
            break;
        }
    }
    plans_.push_back({firstStep, static_cast<std::uint32_t>(steps_.size()) - firstStep, tmpl.opCount});
    return static_cast<std::int32_t>(plans_.size() - 1);
}

// The plan of the template defined at `definition` entered at the Value
// step `at` (kRootContext: as the record's root), made once per chunk.
std::int32_t BinXmlDecoder::PlanFor(const Template& tmpl, std::uint32_t definition, std::uint32_t at)
{
    const std::uint64_t key = std::uint64_t{at} << 32 | definition;
    const auto found = plansByEntry_.find(key);
    if (found != plansByEntry_.end())
        return found->second;
    std::vector<Open> context;
    if (at != kRootContext) {
        const Step& step = steps_[at];
        context.assign(contexts_.begin() + step.context, contexts_.begin() + step.context + step.contextSize);
    }
    const std::int32_t plan = Plan(tmpl, std::move(context));
    plansByEntry_.emplace(key, plan);
    return plan;
}

// The plan of the BinXml fragment in [pos, end) where Value step `at`
// substitutes it, its values read into level `nesting`; -1 when it is no
// template instance or has no plan.
std::int32_t BinXmlDecoder::PlanOfFragment(std::uint32_t pos, std::uint32_t end, int nesting, std::uint32_t at)
{
    pos = SkipFragmentHeaders(pos, end);
    if (pos >= end || chunk_[pos] != kTemplateInstance)
        return -1;
    std::uint32_t definition = 0;
    Template tmpl;
    return ReadTemplateInstance(pos, end, nesting, definition, tmpl) ? PlanFor(tmpl, definition, at) : -1;
}

// Takes a plan's steps for the values at level `nesting`, as Run would
// have walked its template; false, with the record half done, where the
// values hold what the steps do not foresee (the caller then walks the
// record again with Run).
bool BinXmlDecoder::Replay(std::int32_t plan, int nesting)
{
    const PlanSteps steps = plans_[static_cast<std::size_t>(plan)];
    budget_ -= steps.opCount;
    if (budget_ < 0)
        return false;
    for (std::uint32_t i = steps.first; i < steps.first + steps.count; ++i) {
        const Step step = steps_[i];  // steps_ may grow below (nested plans)
        switch (step.kind) {
        case StepKind::NewString:
            NewString();
            break;
        case StepKind::Clear:
            TextOf(step.field)->clear();
            break;
        case StepKind::StartNumber:
            StartNumber();
            break;
        case StepKind::Commit:
            CommitNumber(step.field);
            break;
        case StepKind::Text:
            AppendText(step.field, step.a, step.b);
            break;
        case StepKind::CodePoint:
            AppendCodePointText(step.field, step.a);
            break;
        case StepKind::Value: {
            const std::vector<Value>& values = values_[static_cast<std::size_t>(nesting)];
            const Value value = step.a < values.size() ? values[step.a] : Value{0, 0, kNull};
            budget_ -= value.size;
            if (budget_ < 0)
                return false;
            if (value.type == kBinXml) {
                if (step.inAttribute || step.field != Field::None || nesting + 1 >= kMaxNesting)
                    return false;
                if (value.size == 0)
                    break;
                const std::int32_t inner = PlanOfFragment(value.offset, value.offset + value.size, nesting + 1, i);
                if (inner < 0 || !Replay(inner, nesting + 1))
                    return false;
                break;
            }
            if (value.type == kNull) {
                // An optional substitution's Null leaves an insertion string out.
                if (step.optional && step.field == Field::Payload)
                    return false;
                break;
            }
            if (step.field == Field::None)
                break;
            if ((value.type & kArrayFlag) != 0)
                return false;
            AppendScalar(step.field, value.type, chunk_ + value.offset, value.size);
            break;
        }
        }
    }
    return true;
}

// ---- Decoding records ------------------------------------------------------

std::vector<BinXmlDecoder::Value>& BinXmlDecoder::ValuesAt(int nesting)
{
    const auto level = static_cast<std::size_t>(nesting);
    if (values_.size() <= level)
        values_.resize(level + 1);
    return values_[level];
}

BinXmlDecoder::Outcome BinXmlDecoder::Decode(std::uint32_t begin, std::uint32_t end, std::uint64_t fallbackTime,
                                             Record& record)
{
    record_ = &record;
    BeginRecord();
    if (begin > end || end > kChunkSize)
        return Outcome::Garbage;
    const bool ok = DecodeFragment(begin, end, 0) && stack_.empty();
    record.strings.resize(skipped_ ? 0 : stringCount_);
    record.eventId = static_cast<std::uint32_t>(((qualifiers_ & 0xFFFF) << 16) | (eventId_ & 0xFFFF));
    record.timeCreated = FiletimeToUnixSeconds(haveTimeCreated_ ? timeCreated_ : fallbackTime);
    record.eventRecordId = eventRecordId_;
    return skipped_ ? Outcome::Skipped : ok ? Outcome::Decoded : Outcome::Garbage;
}

void BinXmlDecoder::BeginRecord()
{
    skipped_ = false;
    record_->provider.clear();
    record_->channel.clear();
    record_->computer.clear();
    stringCount_ = 0;
    budget_ = kRecordBudget;
    stack_.clear();
    inAttribute_ = false;
    eventId_ = qualifiers_ = timeCreated_ = eventRecordId_ = 0;
    haveTimeCreated_ = false;
}

// A fragment: header(s), then a template instance or a plain element tree.
std::uint32_t BinXmlDecoder::SkipFragmentHeaders(std::uint32_t pos, std::uint32_t end) const
{
    while (end - pos >= 4 && chunk_[pos] == kFragmentHeader)
        pos += 4;
    return pos;
}

bool BinXmlDecoder::DecodeFragment(std::uint32_t pos, std::uint32_t end, int nesting)
{
    pos = SkipFragmentHeaders(pos, end);
    if (pos >= end)
        return false;
    if (chunk_[pos] == kTemplateInstance)
        return DecodeTemplateInstance(pos, end, nesting);
    // A tree without a template (forwarded events): compiled for this record
    // only, no values to substitute.
    ValuesAt(nesting).clear();
    const auto mark = static_cast<std::uint32_t>(ops_.size());
    const bool ok = Compile(pos, end, false) &&
                    Run(mark, static_cast<std::uint32_t>(ops_.size()) - mark, nesting);
    ops_.resize(mark);
    return ok;
}

// The template instance at `pos`: its template into `tmpl`, its values
// read into level `nesting`; false when it is not well-formed. A walk that keeps some
// events reads a record's values only as far as its event id and time
// until it knows that the record is kept; when it is not, skipped_ is set.
bool BinXmlDecoder::ReadTemplateInstance(std::uint32_t pos, std::uint32_t end, int nesting, std::uint32_t& definition,
                                         Template& tmpl)
{
    if (end - pos < 10)
        return false;
    definition = LoadU32(chunk_ + pos + 6);
    pos += 10;
    if (definition == pos) {  // defined right here: skip the definition
        if (end - pos < 24)
            return false;
        const std::uint32_t size = LoadU32(chunk_ + pos + 20);
        if (end - pos - 24 < size)
            return false;
        pos += 24 + size;
    }
    if (!TemplateAt(definition, tmpl) || end - pos < 4)
        return false;

    // Value descriptors, then the values back to back.
    const std::uint32_t count = LoadU32(chunk_ + pos);
    pos += 4;
    if (count > (end - pos) / 4)
        return false;
    std::vector<Value>& values = ValuesAt(nesting);
    values.resize(count);
    const bool sieve = nesting == 0 && keep_ != nullptr && tmpl.eventIdValue >= 0 && tmpl.timeValue >= 0;
    const std::uint32_t sieveAt = sieve ? static_cast<std::uint32_t>(std::max(tmpl.eventIdValue, tmpl.timeValue)) + 1 : 0;
    std::uint32_t data = pos + 4 * count;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint16_t size = LoadU16(chunk_ + pos + 4 * i);
        if (end - data < size)
            return false;
        values[i] = {data, size, chunk_[pos + 4 * i + 2]};
        data += size;
        if (sieve && i + 1 == sieveAt && Unwanted(tmpl, values)) {
            skipped_ = true;
            return true;
        }
    }
    return true;
}

bool BinXmlDecoder::DecodeTemplateInstance(std::uint32_t pos, std::uint32_t end, int nesting)
{
    std::uint32_t definition = 0;
    Template tmpl;
    if (!ReadTemplateInstance(pos, end, nesting, definition, tmpl))
        return false;
    if (skipped_)
        return true;
    if (nesting == 0 && keep_ != nullptr) {
        // Only walks that keep some events take the flattened steps; the
        // full walk stays the reference they are tested against. A record
        // the steps do not foresee is walked again from its start.
        const std::int32_t plan = PlanFor(tmpl, definition, kRootContext);
        if (plan >= 0) {
            if (Replay(plan, 0))
                return true;
            BeginRecord();
        }
    }
    return Run(tmpl.firstOp, tmpl.opCount, nesting);
}

bool BinXmlDecoder::Run(std::uint32_t firstOp, std::uint32_t opCount, int nesting)
{
    const std::size_t baseDepth = stack_.size();
    budget_ -= opCount;
    if (budget_ < 0)
        return false;
    for (std::uint32_t i = firstOp; i < firstOp + opCount; ++i) {
        // ops_ may grow below (nested templates): copy, never hold a reference.
        const Op op = ops_[i];
        switch (op.kind) {
        case OpKind::Open:
            if (!OpenElement(op.name))
                return false;
            break;
        case OpKind::CloseStart:
            EndAttribute();
            break;
        case OpKind::CloseEmpty:
            EndAttribute();
            if (!CloseElement(baseDepth))
                return false;
            break;
        case OpKind::End:
            if (!CloseElement(baseDepth))
                return false;
            break;
        case OpKind::Attribute:
            StartAttribute(op.name);
            break;
        case OpKind::Text:
            AppendText(CurrentField(), op.a, op.b);
            break;
        case OpKind::CodePoint:
            AppendCodePointText(CurrentField(), op.a);
            break;
        case OpKind::Subst: {
            // An index past the list is Null.
            const std::vector<Value>& values = values_[static_cast<std::size_t>(nesting)];
            const Value value = op.a < values.size() ? values[op.a] : Value{0, 0, kNull};
            if (!AppendValue(value, op.optional, nesting))
                return false;
            break;
        }
        }
    }
    return stack_.size() == baseDepth;
}

// ---- The element stack and what goes where --------------------------------

bool BinXmlDecoder::OpenElement(Name name)
{
    if (stack_.size() >= kMaxDepth)
        return false;
    inAttribute_ = false;
    Role parent = Role::Ignored;
    if (!stack_.empty()) {
        Frame& top = stack_.back();
        parent = top.role;
        // An element with children is no leaf: its text is no string.
        if (top.capturing && ContentField(top.role) == Field::Payload)
            stringCount_ = top.firstString;
        top.capturing = false;
    }
    Frame frame{RoleOf(parent, name, stack_.empty()), false, false, static_cast<std::uint32_t>(stringCount_)};
    const Field field = ContentField(frame.role);
    frame.capturing = field != Field::None;
    if (field == Field::Payload)
        NewString();
    else if (IsNumberField(field))
        StartNumber();
    else if (std::string* text = TextOf(field))
        text->clear();
    stack_.push_back(frame);
    return true;
}

bool BinXmlDecoder::CloseElement(std::size_t baseDepth)
{
    if (stack_.size() <= baseDepth)
        return false;
    const Frame frame = stack_.back();
    stack_.pop_back();
    if (!frame.capturing)
        return true;
    const Field field = ContentField(frame.role);
    if (frame.dropped && field == Field::Payload)
        stringCount_ = frame.firstString;
    else if (IsNumberField(field))
        CommitNumber(field);
    return true;
}

void BinXmlDecoder::StartAttribute(Name name)
{
    EndAttribute();
    inAttribute_ = true;
    attributeField_ = Field::None;
    if (stack_.empty())
        return;
    attributeField_ = AttributeField(stack_.back().role, name);
    if (attributeField_ == Field::Provider)
        record_->provider.clear();
    else if (attributeField_ != Field::None)
        StartNumber();
}

void BinXmlDecoder::EndAttribute()
{
    if (inAttribute_ && IsNumberField(attributeField_)) {
        CommitNumber(attributeField_);
        StartNumber();  // for the element's own content
    }
    inAttribute_ = false;
}

BinXmlDecoder::Field BinXmlDecoder::CurrentField() const
{
    if (inAttribute_)
        return attributeField_;
    if (stack_.empty() || !stack_.back().capturing)
        return Field::None;
    return ContentField(stack_.back().role);
}

std::string* BinXmlDecoder::TextOf(Field field)
{
    switch (field) {
    case Field::Provider:
        return &record_->provider;
    case Field::Channel:
        return &record_->channel;
    case Field::Computer:
        return &record_->computer;
    case Field::Payload: {
        // A string the walk does not want is counted, but left empty.
        const std::size_t position = std::min<std::size_t>(stringCount_ - 1, 63);
        return (strings_ >> position & 1) != 0 ? &record_->strings[stringCount_ - 1] : nullptr;
    }
    case Field::EventId:
    case Field::Qualifiers:
    case Field::SystemTime:
    case Field::EventRecordId:
        return &numberText_;
    default:
        return nullptr;
    }
}

std::string& BinXmlDecoder::NewString()
{
    std::vector<std::string>& strings = record_->strings;
    if (stringCount_ < strings.size())
        strings[stringCount_].clear();
    else
        strings.emplace_back();
    return strings[stringCount_++];
}

void BinXmlDecoder::StartNumber()
{
    numberText_.clear();
    numberIsValue_ = false;
    numberPieces_ = 0;
}

// A number field takes a lone integer or time value as it is, anything else
// as text (plain trees spell every value out).
void BinXmlDecoder::CommitNumber(Field field)
{
    std::uint64_t value = number_;
    if (!numberIsValue_) {
        if (field == Field::SystemTime) {
            const auto time = ParseTimeText(numberText_);
            if (!time)
                return;
            value = *time;
        } else {
            // Digits past 64 bits are no number, and leave `value` as it was.
            const char* first = numberText_.data();
            const char* last = first + numberText_.size();
            const auto [end, error] = std::from_chars(first, last, value);
            if (numberText_.empty() || error != std::errc() || end != last)
                return;
        }
    }
    if (field == Field::EventId)
        eventId_ = value;
    else if (field == Field::Qualifiers)
        qualifiers_ = value;
    else if (field == Field::EventRecordId)
        eventRecordId_ = value;
    else {
        timeCreated_ = value;
        haveTimeCreated_ = true;
    }
}

void BinXmlDecoder::AppendText(Field field, std::uint32_t offset, std::uint32_t units)
{
    if (std::string* text = TextOf(field)) {
        AppendUtf16le(*text, chunk_ + offset, units);
        ++numberPieces_;
        numberIsValue_ = false;
    }
}

void BinXmlDecoder::AppendCodePointText(Field field, std::uint32_t codePoint)
{
    if (std::string* text = TextOf(field)) {
        AppendUtf8(*text, codePoint);
        ++numberPieces_;
        numberIsValue_ = false;
    }
}

void BinXmlDecoder::AppendScalar(Field field, std::uint8_t type, const std::uint8_t* p, std::size_t size)
{
    const ValueBytes bytes(p, size);
    if (IsNumberField(field)) {
        const auto number = ValueNumber(type, bytes);
        if (number && numberPieces_ == 0) {
            number_ = *number;
            numberIsValue_ = true;
            numberPieces_ = 1;
            return;
        }
        numberIsValue_ = false;
        ++numberPieces_;
    }
    if (std::string* text = TextOf(field))
        AppendValueText(*text, type, bytes);
}

bool BinXmlDecoder::AppendValue(const Value& value, bool optional, int nesting)
{
    budget_ -= value.size;
    if (budget_ < 0)
        return false;
    if (value.type == kBinXml) {
        if (inAttribute_ || nesting + 1 >= kMaxNesting)
            return false;
        return value.size == 0 || DecodeFragment(value.offset, value.offset + value.size, nesting + 1);
    }
    if (value.type == kNull) {
        if (optional && !inAttribute_ && !stack_.empty())
            stack_.back().dropped = true;
        return true;
    }
    const Field field = CurrentField();
    if (field == Field::None)
        return true;
    const std::uint8_t* p = chunk_ + value.offset;
    if (!(value.type & kArrayFlag)) {
        AppendScalar(field, value.type, p, value.size);
        return true;
    }
    // An array fills its element once per item: one string each.
    const auto base = static_cast<std::uint8_t>(value.type & ~kArrayFlag);
    bool first = true;
    ForEachArrayItem(base, ValueBytes(p, value.size), [&](ValueBytes item) {
        if (field == Field::Payload && !first)
            NewString();
        first = false;
        AppendScalar(field, base, item.data(), item.size());
    });
    return true;
}

}  // namespace tav::evtx
