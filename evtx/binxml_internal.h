// The stages of BinXmlDecoder, for its own files only.
//
// Template definitions are compiled once per chunk into a flat list of
// operations, names resolved and substitutions numbered
// (binxml_compile.cpp); a record then only walks that list with its own
// substitution values (binxml_decode.cpp). Chunks define again the
// templates they use, so a definition met before in an earlier chunk, the
// same bytes but for where its names are, takes the operations compiled
// then instead of being compiled again. The walk keeps a stack of the
// elements open, which tells the System fields and the payload
// (EventData/Data, the leaves below the UserData wrapper, the items of
// ProcessingErrorData) from the rest; text is converted to UTF-8 only for
// those. Walks that keep only some events go further: a template's walk is
// flattened once (for each place a nested template is entered) into steps
// on the fields (binxml_plan.cpp), which a kept record takes with its
// values, without the element stack; the full walk stays as it is, the
// reference.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "evtx/binxml.h"
#include "evtx/offset_map.h"
#include "evtx/record.h"

namespace tav::evtx::binxml {

inline constexpr std::uint32_t kChunkSize = 65536;
inline constexpr std::size_t kMaxDepth = 64;      // elements open at once, nesting included
inline constexpr int kMaxNesting = 8;             // BinXml values inside BinXml values
inline constexpr std::size_t kMaxOps = 4 * kChunkSize;  // compiled operations kept per chunk
// Work one record may cost (operations plus value bytes rendered): bounds a
// record that makes a big template run again and again through nested values.
inline constexpr std::int64_t kRecordBudget = 4 << 20;
// Bytes of definitions and their operations kept from earlier chunks.
inline constexpr std::size_t kKnownBytes = 256 << 10;

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
inline constexpr std::uint8_t kMoreFlag = 0x40;

// Element and attribute names the decoder tells apart.
enum class Name : std::uint8_t {
    Other,
    System,
    Provider,
    EventID,
    EventRecordID,
    TimeCreated,
    Channel,
    Computer,
    EventData,
    UserData,
    ProcessingErrorData,
    Data,
    NameAttr,
    Qualifiers,
    SystemTime,
    Amp,
    Lt,
    Gt,
    Quot,
    Apos,
};

// What an open element means for the record.
enum class Role : std::uint8_t {
    Ignored,
    Root,
    System,
    EventData,
    UserData,
    Wrapper,  // the element below UserData
    ErrorData,
    Provider,
    EventId,
    EventRecordId,
    TimeCreated,
    Channel,
    Computer,
    Payload,   // an insertion string: EventData/Data, a ProcessingErrorData item
    UserLeaf,  // below the wrapper: an insertion string if it has no child element
};

// Where text and values go.
enum class Field : std::uint8_t {
    None,
    Provider,
    Channel,
    Computer,
    Payload,
    EventId,
    Qualifiers,
    SystemTime,
    EventRecordId,
};

enum class OpKind : std::uint8_t {
    Open,
    CloseStart,
    CloseEmpty,
    End,
    Attribute,
    Text,       // a = chunk offset of UTF-16 text, b = code units
    CodePoint,  // a = code point
    Subst,      // a = value index
};

struct Op {
    OpKind kind;
    Name name;
    bool optional;
    std::uint32_t a;
    std::uint32_t b;
};

struct Value {
    std::uint32_t offset;
    std::uint16_t size;
    std::uint8_t type;
};

struct Frame {
    Role role;
    bool capturing;  // content goes to the element's field
    bool dropped;    // an optional substitution was Null: the element is left out
    std::uint32_t firstString;
};

// What a template's walk does to the record, worked out once for where
// it is entered: the element stack's effect flattened into steps on
// fields. A record whose values the steps do not foresee (an array or
// an optional Null where text is taken, BinXml where an element's
// content is) is walked with Run instead.
enum class StepKind : std::uint8_t {
    NewString,
    Clear,        // field's text starts again
    StartNumber,
    Commit,       // field's number is taken
    Text,         // a = chunk offset, b = code units
    CodePoint,    // a = code point
    Value,        // a = value index; field may be None (the value only costs budget)
    Strings,      // b insertion strings, each an element around one value, values a, a + 1, ...
    Set,          // field's text or number starts again with value a (and is taken when b is 1)
};

struct Step {
    StepKind kind;
    Field field;
    bool optional;
    bool inAttribute;
    std::uint32_t a;
    std::uint32_t b;
    // Value outside any field: the elements open there, in contexts_.
    std::uint32_t context;
    std::uint32_t contextSize;
};

// An element open where a plan starts: what Run's Frame holds that
// decides the steps.
struct Open {
    Role role;
    bool capturing;
};

struct PlanSteps {
    std::uint32_t first;
    std::uint32_t count;
    std::uint32_t opCount;  // of its template, for the budget
};

struct Template {
    std::uint32_t firstOp = 0;
    std::uint32_t opCount = 0;
    // The substitutions that alone are System/EventID and TimeCreated/@SystemTime, if they are.
    std::int32_t eventIdValue = -1;
    std::int32_t timeValue = -1;
    bool ok = false;
};

// A name offset in a template definition, at `at` bytes past its GUID:
// the name stored right behind it, or one elsewhere in the chunk.
struct NameRef {
    std::uint32_t at;
    bool inlined;
    Name name;
};

// A definition compiled in an earlier chunk, where it stood at `offset`.
struct KnownTemplate {
    std::uint32_t offset = 0;
    std::vector<std::uint8_t> bytes;  // from its GUID to its end
    std::vector<NameRef> refs;        // in the order of `bytes`
    std::vector<Op> ops;              // Text at chunk offsets as they were there
    std::int32_t eventIdValue = -1;
    std::int32_t timeValue = -1;
};

inline Role RoleOf(Role parent, Name name, bool root)
{
    if (root)
        return Role::Root;
    switch (parent) {
    case Role::Root:
        switch (name) {
        case Name::System:
            return Role::System;
        case Name::EventData:
            return Role::EventData;
        case Name::UserData:
            return Role::UserData;
        case Name::ProcessingErrorData:
            return Role::ErrorData;
        default:
            return Role::Ignored;
        }
    case Role::System:
        switch (name) {
        case Name::Provider:
            return Role::Provider;
        case Name::EventID:
            return Role::EventId;
        case Name::EventRecordID:
            return Role::EventRecordId;
        case Name::TimeCreated:
            return Role::TimeCreated;
        case Name::Channel:
            return Role::Channel;
        case Name::Computer:
            return Role::Computer;
        default:
            return Role::Ignored;
        }
    case Role::EventData:
        return name == Name::Data ? Role::Payload : Role::Ignored;
    case Role::ErrorData:
        return Role::Payload;
    case Role::UserData:
        return Role::Wrapper;
    case Role::Wrapper:
    case Role::UserLeaf:
        return Role::UserLeaf;
    default:
        return Role::Ignored;
    }
}

inline Field ContentField(Role role)
{
    switch (role) {
    case Role::Channel:
        return Field::Channel;
    case Role::Computer:
        return Field::Computer;
    case Role::EventId:
        return Field::EventId;
    case Role::EventRecordId:
        return Field::EventRecordId;
    case Role::Payload:
    case Role::UserLeaf:
        return Field::Payload;
    default:
        return Field::None;
    }
}

// The field an attribute of an element of `role` fills; None for others.
inline Field AttributeField(Role role, Name name)
{
    if (role == Role::Provider && name == Name::NameAttr)
        return Field::Provider;
    if (role == Role::EventId && name == Name::Qualifiers)
        return Field::Qualifiers;
    if (role == Role::TimeCreated && name == Name::SystemTime)
        return Field::SystemTime;
    return Field::None;
}

inline bool IsNumberField(Field field)
{
    return field == Field::EventId || field == Field::Qualifiers || field == Field::SystemTime ||
           field == Field::EventRecordId;
}

class Decoder {
public:
    using Outcome = BinXmlDecoder::Outcome;

    void Reset(const std::uint8_t* chunk, const EventIdSet* keep, StringSet strings);
    Outcome Decode(std::uint32_t begin, std::uint32_t end, std::uint64_t fallbackTime, Record& record);

private:
    static constexpr std::uint32_t kRootContext = 0xFFFFFFFF;

    // Compiling (binxml_compile.cpp).
    bool ReadName(std::uint32_t offset, Name& name, std::uint32_t& size);
    bool ReadNameRef(std::uint32_t& pos, std::uint32_t end, Name& name);
    bool Compile(std::uint32_t pos, std::uint32_t end, bool dependencyIds);
    struct CompileState;
    bool CompileToken(std::uint32_t& pos, std::uint32_t end, bool dependencyIds, CompileState& state);
    bool TemplateAt(std::uint32_t offset, Template& out);
    void FindSystemValues(Template& tmpl) const;
    static std::uint64_t KnownKey(const std::uint8_t* guid, std::uint32_t size);
    bool Reuse(std::uint32_t offset, std::uint32_t size, Template& entry);
    void Remember(std::uint32_t offset, std::uint32_t size, const Template& entry);

    // Planning (binxml_plan.cpp).
    std::int32_t Plan(const Template& tmpl, std::vector<Open> stack);
    std::int32_t PlanFor(const Template& tmpl, std::uint32_t definition, std::uint32_t at);

    // Decoding records, by the full walk or by a plan (binxml_decode.cpp).
    std::int32_t PlanOfFragment(std::uint32_t pos, std::uint32_t end, int nesting, std::uint32_t at);
    bool Replay(std::int32_t plan, int nesting);
    bool ReadTemplateInstance(std::uint32_t pos, std::uint32_t end, int nesting, std::uint32_t& definition,
                              Template& tmpl);
    void BeginRecord();
    bool NumberAt(const std::vector<Value>& values, std::int32_t index, std::uint64_t& number) const;
    bool Unwanted(const Template& tmpl, const std::vector<Value>& values);

    std::vector<Value>& ValuesAt(int nesting);
    std::uint32_t SkipFragmentHeaders(std::uint32_t pos, std::uint32_t end) const;
    bool DecodeFragment(std::uint32_t pos, std::uint32_t end, int nesting);
    bool DecodeTemplateInstance(std::uint32_t pos, std::uint32_t end, int nesting);
    bool Run(std::uint32_t firstOp, std::uint32_t opCount, int nesting);

    bool OpenElement(Name name);
    bool CloseElement(std::size_t baseDepth);
    void StartAttribute(Name name);
    void EndAttribute();
    Field CurrentField() const;
    void AppendText(Field field, std::uint32_t offset, std::uint32_t units);
    void AppendCodePointText(Field field, std::uint32_t codePoint);
    bool AppendValue(const Value& value, bool optional, int nesting);
    void AppendScalar(Field field, std::uint8_t type, const std::uint8_t* p, std::size_t size);
    std::string* TextOf(Field field);
    void StartNumber();
    void CommitNumber(Field field);
    Value ValueAt(int nesting, std::uint32_t index) const;
    std::string& NewString()
    {
        std::vector<std::string>& strings = record_->strings;
        if (stringCount_ < strings.size())
            strings[stringCount_].clear();
        else
            strings.emplace_back();
        return strings[stringCount_++];
    }
    // A string the walk does not want is counted, but left empty.
    bool LastStringWanted() const { return (strings_ >> std::min<std::size_t>(stringCount_ - 1, 63) & 1) != 0; }

    const std::uint8_t* chunk_ = nullptr;
    const EventIdSet* keep_ = nullptr;
    StringSet strings_ = kAllStrings;
    bool skipped_ = false;  // the record is left out; eventId_ and timeCreated_ say what it was
    OffsetMap<Name> names_;
    OffsetMap<Template> templates_;  // by their definitions' offsets
    std::vector<Op> ops_;
    std::vector<Step> steps_;
    std::vector<Open> contexts_;
    std::vector<PlanSteps> plans_;
    std::unordered_map<std::uint64_t, std::int32_t> plansByEntry_;  // (step entered at, definition) -> plan or -1
    std::vector<std::vector<Value>> values_;  // one list per nesting level
    // Definitions compiled in earlier chunks, by GUID and size; their bytes
    // and operations held add up to at most kKnownBytes.
    std::unordered_map<std::uint64_t, KnownTemplate> known_;
    std::size_t knownBytes_ = 0;
    // The name offsets of the definition being compiled, when one is.
    std::vector<NameRef> refs_;
    bool inDefinition_ = false;

    // State of the record being decoded.
    Record* record_ = nullptr;
    std::size_t stringCount_ = 0;
    std::int64_t budget_ = 0;
    std::vector<Frame> stack_;
    bool inAttribute_ = false;
    Field attributeField_{};
    std::string numberText_;
    std::uint64_t number_ = 0;
    bool numberIsValue_ = false;
    int numberPieces_ = 0;
    std::uint64_t eventId_ = 0;
    std::uint64_t qualifiers_ = 0;
    std::uint64_t eventRecordId_ = 0;
    std::uint64_t timeCreated_ = 0;
    bool haveTimeCreated_ = false;
};

}  // namespace tav::evtx::binxml
