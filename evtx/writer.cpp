#include "evtx/writer.h"

#include <cstring>

#include "base/bytes.h"
#include "evtx/chunk.h"
#include "evtx/crc32.h"
#include "base/codepage.h"
#include "evtx/filetime.h"
#include "evtx/reader.h"
#include "evtx/value_text.h"

namespace tav::evtx {
namespace {

constexpr char16_t kEventNamespace[] = u"http://schemas.microsoft.com/win/2004/08/events/event";
constexpr std::uint16_t kNoDependency = 0xFFFF;
// Substitution indexes of the System values; the payload follows them.
enum SystemValue : std::uint16_t {
    kProviderValue,
    kQualifiersValue,
    kEventIdValue,
    kTimeCreatedValue,
    kRecordIdValue,
    kChannelValue,
    kComputerValue,
    kLevelValue,
    kPayloadValues,
};

std::uint16_t NameHash(std::u16string_view name)
{
    std::uint32_t h = 0;
    for (const char16_t c : name)
        h = h * 65599 + c;
    return static_cast<std::uint16_t>(h);
}

std::uint64_t Fnv1a(std::string_view text, std::uint64_t seed)
{
    std::uint64_t h = seed;
    for (const char c : text) {
        h ^= static_cast<std::uint8_t>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

// A template's shape: what its definition depends on.
std::string ShapeKey(const WriterEvent& event)
{
    std::string key = event.userDataWrapper;
    key.push_back('\0');
    key += std::to_string(event.record.strings.size());
    if (!event.userDataWrapper.empty() || event.names.size() == event.record.strings.size())
        for (const std::string& name : event.names) {
            key.push_back('\0');
            key += name;
        }
    return key;
}

}  // namespace

// One chunk being filled, with the names and templates defined in it.
class Writer::Builder {
public:
    Builder() : buffer_(kChunkSize) { Reset(); }

    void Reset()
    {
        std::fill(buffer_.begin(), buffer_.end(), std::uint8_t{0});
        pos_ = kChunkHeaderSize;
        names_.clear();
        templates_.clear();
        definitions_.clear();
        nameList_.clear();
        records_ = 0;
    }

    bool Empty() const { return records_ == 0; }

    // Appends a record; false (nothing added) when it does not fit.
    bool Add(const WriterEvent& event, const std::vector<std::u16string>& texts, std::uint64_t recordNumber)
    {
        const std::uint32_t start = pos_;
        const std::size_t nameCount = nameList_.size();
        overflow_ = false;
        WriteRecord(event, texts);
        if (overflow_) {
            // Undo the names and templates defined by the part written.
            pos_ = start;
            nameList_.resize(nameCount);
            std::erase_if(names_, [&](const auto& entry) { return entry.second >= start; });
            std::erase_if(templates_, [&](const auto& entry) { return entry.second >= start; });
            std::erase_if(definitions_, [&](const auto& entry) { return entry.first >= start; });
            std::fill(buffer_.begin() + start, buffer_.end(), std::uint8_t{0});
            return false;
        }
        if (records_ == 0) {
            firstNumber_ = recordNumber;
            firstId_ = event.record.recordId;
        }
        lastNumber_ = recordNumber;
        lastId_ = event.record.recordId;
        lastOffset_ = start;
        ++records_;
        return true;
    }

    // Fills in the header, tables and checksums; the chunk's 64 KiB.
    const std::vector<std::uint8_t>& Finish()
    {
        std::uint8_t* b = buffer_.data();
        std::memcpy(b, "ElfChnk", 8);
        StoreU64(b + 8, firstNumber_);
        StoreU64(b + 16, lastNumber_);
        StoreU64(b + 24, firstId_);
        StoreU64(b + 32, lastId_);
        StoreU32(b + 40, 128);
        StoreU32(b + 44, lastOffset_);
        StoreU32(b + 48, pos_);
        for (const auto& [offset, hash] : nameList_) {
            std::uint8_t* bucket = b + 128 + 4 * (hash % 64);
            StoreU32(b + offset, LoadU32(bucket));
            StoreU32(bucket, offset);
        }
        for (const auto& [offset, id] : definitions_) {
            std::uint8_t* bucket = b + 384 + 4 * (id % 32);
            StoreU32(b + offset, LoadU32(bucket));
            StoreU32(bucket, offset);
        }
        StoreU32(b + 52, Crc32({b + kChunkHeaderSize, pos_ - kChunkHeaderSize}));
        StoreU32(b + 124, Crc32({b + 128, kChunkHeaderSize - 128}, Crc32({b, 120})));
        return buffer_;
    }

private:
    void Put(const void* data, std::size_t size)
    {
        if (overflow_ || size > kChunkSize - pos_) {
            overflow_ = true;
            return;
        }
        std::memcpy(buffer_.data() + pos_, data, size);
        pos_ += static_cast<std::uint32_t>(size);
    }
    void U8(std::uint8_t v) { Put(&v, 1); }
    void U16(std::uint16_t v)
    {
        std::uint8_t b[2];
        StoreU16(b, v);
        Put(b, 2);
    }
    void U32(std::uint32_t v)
    {
        std::uint8_t b[4];
        StoreU32(b, v);
        Put(b, 4);
    }
    void U64(std::uint64_t v)
    {
        std::uint8_t b[8];
        StoreU64(b, v);
        Put(b, 8);
    }
    void Chars(std::u16string_view text)
    {
        for (const char16_t c : text)
            U16(c);
    }
    // A u32 whose value is known later.
    std::uint32_t Placeholder()
    {
        const std::uint32_t at = pos_;
        U32(0);
        return at;
    }
    void Patch(std::uint32_t at, std::uint32_t value)
    {
        if (!overflow_)
            StoreU32(buffer_.data() + at, value);
    }

    // A name reference; the name itself follows the first time.
    void NameRef(std::u16string_view name)
    {
        const std::u16string key(name);
        const auto found = names_.find(key);
        if (found != names_.end()) {
            U32(found->second);
            return;
        }
        const std::uint32_t offset = pos_ + 4;
        U32(offset);
        U32(0);  // next name in the bucket, set by Finish
        U16(NameHash(name));
        U16(static_cast<std::uint16_t>(name.size()));
        Chars(name);
        U16(0);
        if (!overflow_) {
            names_.emplace(key, offset);
            nameList_.emplace_back(offset, NameHash(name));
        }
    }

    struct OpenTag {
        std::uint32_t sizeAt;
        std::uint32_t attributesAt;
    };

    OpenTag Open(std::u16string_view name, bool attributes)
    {
        U8(attributes ? 0x41 : 0x01);
        U16(kNoDependency);
        OpenTag tag{Placeholder(), 0};
        NameRef(name);
        if (attributes)
            tag.attributesAt = Placeholder();
        return tag;
    }
    void Attribute(std::u16string_view name) { U8(0x06); NameRef(name); }
    void CloseStart(const OpenTag& tag)
    {
        if (tag.attributesAt != 0)
            Patch(tag.attributesAt, pos_ - tag.attributesAt - 4);
        U8(0x02);
    }
    void End(const OpenTag& tag)
    {
        U8(0x04);
        Patch(tag.sizeAt, pos_ - tag.sizeAt - 4);
    }
    void Text(std::u16string_view text)
    {
        U8(0x05);
        U8(kString);
        U16(static_cast<std::uint16_t>(text.size()));
        Chars(text);
    }
    void Subst(std::uint16_t index, std::uint8_t type, bool optional = false)
    {
        U8(optional ? 0x0e : 0x0d);
        U16(index);
        U8(type);
    }
    // <name>%index</name>
    void ValueElement(std::u16string_view name, std::uint16_t index, std::uint8_t type)
    {
        const OpenTag tag = Open(name, false);
        CloseStart(tag);
        Subst(index, type);
        End(tag);
    }
    // <name attribute=%index/>
    void AttributeElement(std::u16string_view name, std::u16string_view attribute, std::uint16_t index,
                          std::uint8_t type)
    {
        const OpenTag tag = Open(name, true);
        Attribute(attribute);
        Subst(index, type);
        Patch(tag.attributesAt, pos_ - tag.attributesAt - 4);
        U8(0x03);
        Patch(tag.sizeAt, pos_ - tag.sizeAt - 4);
    }

    void System()
    {
        const OpenTag system = Open(u"System", false);
        CloseStart(system);
        AttributeElement(u"Provider", u"Name", kProviderValue, kString);
        const OpenTag eventId = Open(u"EventID", true);
        Attribute(u"Qualifiers");
        Subst(kQualifiersValue, kUInt16, true);
        CloseStart(eventId);
        Subst(kEventIdValue, kUInt16);
        End(eventId);
        ValueElement(u"Level", kLevelValue, kUInt8);
        AttributeElement(u"TimeCreated", u"SystemTime", kTimeCreatedValue, kFiletime);
        ValueElement(u"EventRecordID", kRecordIdValue, kUInt64);
        ValueElement(u"Channel", kChannelValue, kString);
        ValueElement(u"Computer", kComputerValue, kString);
        End(system);
    }

    void Payload(const WriterEvent& event, const std::vector<std::u16string>& names, std::size_t count)
    {
        const bool userData = !event.userDataWrapper.empty();
        const OpenTag section = Open(userData ? u"UserData" : u"EventData", false);
        CloseStart(section);
        OpenTag wrapper{};
        if (userData) {
            wrapper = Open(names[count], false);
            CloseStart(wrapper);
        }
        for (std::size_t i = 0; i < count; ++i) {
            const auto index = static_cast<std::uint16_t>(kPayloadValues + i);
            if (userData) {
                ValueElement(names[i], index, kString);
            } else if (names.size() == count) {
                const OpenTag data = Open(u"Data", true);
                Attribute(u"Name");
                Text(names[i]);
                CloseStart(data);
                Subst(index, kString);
                End(data);
            } else {
                ValueElement(u"Data", index, kString);
            }
        }
        if (userData)
            End(wrapper);
        End(section);
    }

    // The definition, inline at the current position.
    void Definition(const WriterEvent& event, const std::vector<std::u16string>& names, std::size_t count,
                    const std::string& key)
    {
        const std::uint64_t lo = Fnv1a(key, 0xcbf29ce484222325ull);
        const std::uint64_t hi = Fnv1a(key, lo);
        const std::uint32_t start = pos_;
        U32(0);  // next definition in the bucket, set by Finish
        U64(lo);
        U64(hi);
        const std::uint32_t sizeAt = Placeholder();
        U32(0x0001010f);  // fragment header
        const OpenTag root = Open(u"Event", true);
        Attribute(u"xmlns");
        Text(kEventNamespace);
        CloseStart(root);
        System();
        Payload(event, names, count);
        End(root);
        U8(0x00);
        Patch(sizeAt, pos_ - sizeAt - 4);
        if (!overflow_)
            definitions_.emplace_back(start, static_cast<std::uint32_t>(lo));
    }

    void WriteRecord(const WriterEvent& event, const std::vector<std::u16string>& texts)
    {
        // texts: provider, channel, computer, the strings, then the names
        // (and the UserData wrapper last).
        const std::size_t count = event.record.strings.size();
        const std::vector<std::u16string> names(texts.begin() + 3 + static_cast<std::ptrdiff_t>(count), texts.end());
        const std::uint32_t start = pos_;
        U32(0x00002a2a);
        const std::uint32_t sizeAt = Placeholder();
        U64(event.record.recordId);
        U64(UnixSecondsToFiletime(event.record.timeWritten));
        U32(0x0001010f);
        U8(0x0c);
        U8(0x01);
        const std::string key = ShapeKey(event);
        const auto known = templates_.find(key);
        U32(static_cast<std::uint32_t>(Fnv1a(key, 0xcbf29ce484222325ull)));
        if (known != templates_.end()) {
            U32(known->second);
        } else {
            U32(pos_ + 4);
            const std::uint32_t definition = pos_;
            Definition(event, names, count, key);
            if (!overflow_)
                templates_.emplace(key, definition);
        }
        WriteValues(event, texts, count);
        U8(0x00);  // EOF
        while ((pos_ - start + 4) % 8 != 0 && !overflow_)
            U8(0);
        U32(pos_ - start + 4);
        Patch(sizeAt, pos_ - start);
    }

    void WriteValues(const WriterEvent& event, const std::vector<std::u16string>& texts, std::size_t count)
    {
        const Record& r = event.record;
        const std::uint16_t qualifiers = static_cast<std::uint16_t>(r.eventId >> 16);
        struct Item {
            std::uint16_t size;
            std::uint8_t type;
        };
        std::vector<Item> items = {
            {static_cast<std::uint16_t>(2 * texts[0].size()), kString},
            {static_cast<std::uint16_t>(qualifiers != 0 ? 2 : 0), qualifiers != 0 ? kUInt16 : kNull},
            {2, kUInt16},
            {8, kFiletime},
            {8, kUInt64},
            {static_cast<std::uint16_t>(2 * texts[1].size()), kString},
            {static_cast<std::uint16_t>(2 * texts[2].size()), kString},
            {1, kUInt8},
        };
        for (std::size_t i = 0; i < count; ++i) {
            if (texts[3 + i].size() > 0x7FFF) {
                overflow_ = true;
                return;
            }
            items.push_back({static_cast<std::uint16_t>(2 * texts[3 + i].size()), kString});
        }
        U32(static_cast<std::uint32_t>(items.size()));
        for (const Item& item : items) {
            U16(item.size);
            U8(item.type);
            U8(0);
        }
        Chars(texts[0]);
        if (qualifiers != 0)
            U16(qualifiers);
        U16(static_cast<std::uint16_t>(r.eventId));
        U64(UnixSecondsToFiletime(r.timeCreated));
        U64(r.recordId);
        Chars(texts[1]);
        Chars(texts[2]);
        U8(0);  // Level: LogAlways, as audit events have it
        for (std::size_t i = 0; i < count; ++i)
            Chars(texts[3 + i]);
    }

    std::vector<std::uint8_t> buffer_;
    std::uint32_t pos_ = 0;
    bool overflow_ = false;
    std::map<std::u16string, std::uint32_t> names_;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> nameList_;  // offset, hash
    std::map<std::string, std::uint32_t> templates_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> definitions_;  // offset, template id
    std::uint64_t records_ = 0;
    std::uint64_t firstNumber_ = 0, lastNumber_ = 0, firstId_ = 0, lastId_ = 0;
    std::uint32_t lastOffset_ = 0;
};

Writer::Writer(std::ofstream file, std::string name)
    : file_(std::move(file)), name_(std::move(name)), chunk_(std::make_unique<Builder>())
{
}

Writer::~Writer()
{
    Error ignored;
    Close(ignored);
}

std::unique_ptr<Writer> Writer::Create(const std::filesystem::path& path, Error& error)
{
    const std::u8string fileName = path.filename().u8string();
    std::string name(fileName.begin(), fileName.end());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    // Room for the file header, written last.
    const std::vector<char> header(kFileHeaderSize, 0);
    if (!file.is_open() || !file.write(header.data(), static_cast<std::streamsize>(header.size()))) {
        error = {ErrorCode::CannotOpen, "Cannot create " + name + "."};
        return nullptr;
    }
    error = {};
    return std::unique_ptr<Writer>(new Writer(std::move(file), std::move(name)));
}

bool Writer::Add(const WriterEvent& event, Error& error)
{
    const Record& r = event.record;
    const bool userData = !event.userDataWrapper.empty();
    if (closed_ || (userData && event.names.size() != r.strings.size())) {
        error = {ErrorCode::WriteFailed, closed_ ? name_ + " is closed." : "UserData values need a name each."};
        return false;
    }
    std::vector<std::u16string> texts = {Utf8ToUtf16(r.provider), Utf8ToUtf16(r.channel), Utf8ToUtf16(r.computer)};
    for (const std::string& s : r.strings)
        texts.push_back(Utf8ToUtf16(s));
    for (const std::string& s : event.names)
        texts.push_back(Utf8ToUtf16(s));
    if (userData)
        texts.push_back(Utf8ToUtf16(event.userDataWrapper));

    if (!chunk_->Add(event, texts, recordCount_ + 1)) {
        // The chunk is full: the event goes into a new one, if it fits there.
        if (!chunk_->Empty() && !FlushChunk()) {
            error = {ErrorCode::WriteFailed, "Cannot write " + name_ + "."};
            return false;
        }
        if (!chunk_->Add(event, texts, recordCount_ + 1)) {
            error = {ErrorCode::RecordTooLarge, "Event " + std::to_string(r.recordId) + " is too large for a chunk."};
            return false;
        }
    }
    ++recordCount_;
    nextRecordId_ = r.recordId + 1;
    return true;
}

bool Writer::FlushChunk()
{
    const std::vector<std::uint8_t>& bytes = chunk_->Finish();
    file_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ++chunkCount_;
    chunk_->Reset();
    return static_cast<bool>(file_);
}

bool Writer::Close(Error& error)
{
    if (closed_)
        return true;
    closed_ = true;
    bool ok = chunk_->Empty() || FlushChunk();
    std::uint8_t h[128] = {};
    std::memcpy(h, "ElfFile", 8);
    StoreU64(h + 8, 0);
    StoreU64(h + 16, chunkCount_ > 0 ? chunkCount_ - 1 : 0);
    StoreU64(h + 24, nextRecordId_);
    StoreU32(h + 32, 128);
    StoreU16(h + 36, 1);
    StoreU16(h + 38, 3);
    StoreU16(h + 40, static_cast<std::uint16_t>(kFileHeaderSize));
    StoreU16(h + 42, static_cast<std::uint16_t>(chunkCount_ > 0xFFFF ? 0xFFFF : chunkCount_));
    StoreU32(h + 124, Crc32({h, 120}));
    file_.seekp(0);
    file_.write(reinterpret_cast<const char*>(h), sizeof h);
    file_.close();
    ok = ok && !file_.fail();
    if (!ok)
        error = {ErrorCode::WriteFailed, "Cannot write " + name_ + "."};
    return ok;
}

}  // namespace tav::evtx
