// Decoding records: the full walk of a template's operations with the
// element stack, and the shorter one along a plan's steps.
#include <algorithm>
#include <charconv>
#include <optional>

#include "base/bytes.h"
#include "base/codepage.h"
#include "evtx/binxml_internal.h"
#include "evtx/filetime.h"
#include "evtx/value_text.h"

namespace tav::evtx {

BinXmlDecoder::BinXmlDecoder() : decoder_(std::make_unique<binxml::Decoder>()) {}

BinXmlDecoder::~BinXmlDecoder() = default;

void BinXmlDecoder::Reset(const std::uint8_t* chunk, const EventIdSet* keep, StringSet strings)
{
    decoder_->Reset(chunk, keep, strings);
}

BinXmlDecoder::Outcome BinXmlDecoder::Decode(std::uint32_t begin, std::uint32_t end, std::uint64_t fallbackTime,
                                             Record& record)
{
    return decoder_->Decode(begin, end, fallbackTime, record);
}

}  // namespace tav::evtx

namespace tav::evtx::binxml {

void Decoder::Reset(const std::uint8_t* chunk, const EventIdSet* keep, StringSet strings)
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

// ---- Decoding records ------------------------------------------------------

std::vector<Value>& Decoder::ValuesAt(int nesting)
{
    const auto level = static_cast<std::size_t>(nesting);
    if (values_.size() <= level)
        values_.resize(level + 1);
    return values_[level];
}

Decoder::Outcome Decoder::Decode(std::uint32_t begin, std::uint32_t end, std::uint64_t fallbackTime,
                                 Record& record)
{
    record_ = &record;
    BeginRecord();
    if (begin > end || end > kChunkSize)
        return Outcome::Garbage;
    const bool ok = DecodeFragment(begin, end, 0) && stack_.empty();
    record.strings.resize(skipped_ ? 0 : stringCount_);
    record.eventId = static_cast<std::uint32_t>(((qualifiers_ & 0xFFFF) << 16) | (eventId_ & 0xFFFF));
    record.createdTicks = haveTimeCreated_ ? timeCreated_ : fallbackTime;
    record.timeCreated = FiletimeToUnixSeconds(record.createdTicks);
    record.eventRecordId = eventRecordId_;
    return skipped_ ? Outcome::Skipped : ok ? Outcome::Decoded : Outcome::Garbage;
}

void Decoder::BeginRecord()
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
std::uint32_t Decoder::SkipFragmentHeaders(std::uint32_t pos, std::uint32_t end) const
{
    while (end - pos >= 4 && chunk_[pos] == kFragmentHeader)
        pos += 4;
    return pos;
}

bool Decoder::DecodeFragment(std::uint32_t pos, std::uint32_t end, int nesting)
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
bool Decoder::ReadTemplateInstance(std::uint32_t pos, std::uint32_t end, int nesting, std::uint32_t& definition,
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

// The number value `index` holds, as ValueNumber gives it; the types event
// ids and times have go first, for the records a walk passes over.
bool Decoder::NumberAt(const std::vector<Value>& values, std::int32_t index, std::uint64_t& number) const
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
bool Decoder::Unwanted(const Template& tmpl, const std::vector<Value>& values)
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

bool Decoder::DecodeTemplateInstance(std::uint32_t pos, std::uint32_t end, int nesting)
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

// Value `index` of level `nesting`; an index past the list is Null.
Value Decoder::ValueAt(int nesting, std::uint32_t index) const
{
    const std::vector<Value>& values = values_[static_cast<std::size_t>(nesting)];
    return index < values.size() ? values[index] : Value{0, 0, kNull};
}

bool Decoder::Run(std::uint32_t firstOp, std::uint32_t opCount, int nesting)
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
            if (!AppendValue(ValueAt(nesting, op.a), op.optional, nesting))
                return false;
            break;
        }
        }
    }
    return stack_.size() == baseDepth;
}

// ---- Taking a plan's steps -------------------------------------------------

// The plan of the BinXml fragment in [pos, end) where Value step `at`
// substitutes it, its values read into level `nesting`; -1 when it is no
// template instance or has no plan.
std::int32_t Decoder::PlanOfFragment(std::uint32_t pos, std::uint32_t end, int nesting, std::uint32_t at)
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
bool Decoder::Replay(std::int32_t plan, int nesting)
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
            const Value value = ValueAt(nesting, step.a);
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
        case StepKind::Set: {
            if (IsNumberField(step.field))
                StartNumber();
            else
                TextOf(step.field)->clear();
            const Value value = ValueAt(nesting, step.a);
            budget_ -= value.size;
            if (budget_ < 0 || value.type == kBinXml || (value.type & kArrayFlag) != 0)
                return false;
            if (value.type != kNull)
                AppendScalar(step.field, value.type, chunk_ + value.offset, value.size);
            if (step.b != 0)
                CommitNumber(step.field);
            break;
        }
        case StepKind::Strings: {
            for (std::uint32_t index = step.a; index < step.a + step.b; ++index) {
                const Value value = ValueAt(nesting, index);
                budget_ -= value.size;
                // BinXml in an insertion string, an optional Null (the
                // string is left out) and an array (a string per item) are
                // Run's.
                if (budget_ < 0 || value.type == kBinXml || (value.type == kNull && step.optional) ||
                    (value.type & kArrayFlag) != 0)
                    return false;
                std::string& text = NewString();
                if (value.type != kNull && LastStringWanted())
                    AppendValueText(text, value.type, ValueBytes(chunk_ + value.offset, value.size));
            }
            break;
        }
        }
    }
    return true;
}

// ---- The element stack and what goes where --------------------------------

bool Decoder::OpenElement(Name name)
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

bool Decoder::CloseElement(std::size_t baseDepth)
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

void Decoder::StartAttribute(Name name)
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

void Decoder::EndAttribute()
{
    if (inAttribute_ && IsNumberField(attributeField_)) {
        CommitNumber(attributeField_);
        StartNumber();  // for the element's own content
    }
    inAttribute_ = false;
}

Field Decoder::CurrentField() const
{
    if (inAttribute_)
        return attributeField_;
    if (stack_.empty() || !stack_.back().capturing)
        return Field::None;
    return ContentField(stack_.back().role);
}

std::string* Decoder::TextOf(Field field)
{
    switch (field) {
    case Field::Provider:
        return &record_->provider;
    case Field::Channel:
        return &record_->channel;
    case Field::Computer:
        return &record_->computer;
    case Field::Payload:
        return LastStringWanted() ? &record_->strings[stringCount_ - 1] : nullptr;
    case Field::EventId:
    case Field::Qualifiers:
    case Field::SystemTime:
    case Field::EventRecordId:
        return &numberText_;
    default:
        return nullptr;
    }
}

void Decoder::StartNumber()
{
    numberText_.clear();
    numberIsValue_ = false;
    numberPieces_ = 0;
}

// A number field takes a lone integer or time value as it is, anything else
// as text (plain trees spell every value out).
void Decoder::CommitNumber(Field field)
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

void Decoder::AppendText(Field field, std::uint32_t offset, std::uint32_t units)
{
    if (std::string* text = TextOf(field)) {
        AppendUtf16le(*text, chunk_ + offset, units);
        ++numberPieces_;
        numberIsValue_ = false;
    }
}

void Decoder::AppendCodePointText(Field field, std::uint32_t codePoint)
{
    if (std::string* text = TextOf(field)) {
        AppendUtf8(*text, codePoint);
        ++numberPieces_;
        numberIsValue_ = false;
    }
}

void Decoder::AppendScalar(Field field, std::uint8_t type, const std::uint8_t* p, std::size_t size)
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

bool Decoder::AppendValue(const Value& value, bool optional, int nesting)
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

}  // namespace tav::evtx::binxml
