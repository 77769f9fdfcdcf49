// Opening and closing tables, field and tag lookup, record reads and the seeks.
#include "tables/data4.h"

#include "tables/error4.h"
#include "tables/mdx_index.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kDescriptor = 32;

std::uint32_t u32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t u16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool hasMemoFile(unsigned char version, unsigned char flags) {
    return version == 0x30 ? (flags & 0x02) != 0 : (version & 0x80) != 0;
}

std::string baseName(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    std::string base = separator == std::string::npos ? path : path.substr(separator + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) base.erase(dot);
    return base;
}

int reportCorrupt(Data4& data, long location) {
    return error4report(data.code, e4data, location, data.name.c_str());
}

// Some writers leave one more descriptor behind the fields: no field type, length 0 (bytes 16
// and 17), the terminator right after it, and a record length that the fields before it fill
// exactly. It describes no bytes, so it is passed over. An unknown type anywhere else, or with a
// length, or where the record has bytes that no field accounts for, stays a corrupt header.
bool isEmptyLastDescriptor(const std::vector<unsigned char>& area, std::size_t at, unsigned offset,
                           unsigned recordLength) {
    const unsigned char* d = area.data() + at;
    return d[16] == 0 && d[17] == 0 && at + kDescriptor < area.size() &&
           area[at + kDescriptor] == 0x0D && offset == recordLength;
}

// Reads the descriptors into fields; the record layout must fit the record length.
int readFields(Data4& data, const std::vector<unsigned char>& area) {
    unsigned offset = 1;
    for (std::size_t at = 0; at + kDescriptor <= area.size(); at += kDescriptor) {
        const unsigned char* d = area.data() + at;
        if (d[0] == 0x0D) break;
        std::string name;
        for (int i = 0; i < 10 && d[i] != 0; ++i)
            name += upper(char(d[i]));
        const char type = upper(char(d[11]));
        unsigned length = d[16];
        int decimals = d[17];
        switch (type) {
        case 'C':
            length = u16(d + 16);
            decimals = 0;
            break;
        case 'N':
        case 'F':
            break;
        case 'B':
            if (data.version != 0x30) decimals = 0;
            break;
        case 'D':
        case 'L':
        case 'M':
        case 'G':
            decimals = 0;
            break;
        default:
            if (isEmptyLastDescriptor(area, at, offset, data.recordLength)) return 0;
            return reportCorrupt(data, l4fieldType);
        }
        if (std::uint64_t(offset) + length > data.recordLength)
            return reportCorrupt(data, l4corruption);
        const bool memo = type == 'M' || type == 'G' || (type == 'B' && data.version != 0x30);
        if (memo) {
            auto field = std::make_unique<Field4memo>(&data, name, type, length, decimals, offset);
            data.memoFields.push_back(field.get());
            data.fields.push_back(std::move(field));
        } else {
            data.fields.push_back(
                std::make_unique<Field4>(&data, name, type, length, decimals, offset));
        }
        offset += length;
    }
    return 0;
}

int openMemo(Data4& data) {
    auto memo = std::make_unique<MemoFile>();
    memo->name = data.name;
    u4nameExt(memo->name, "DBT", true);
    int rc = file4open(data.code, memo->file, memo->name);
    if (rc != 0) return rc;
    unsigned char header[24];
    rc = file4read(data.code, memo->file, memo->name, 0, header, sizeof(header), "d4open");
    if (rc != 0) return rc;
    memo->blockSize = std::int16_t(u16(header + 20));
    memo->fileSize = memo->file.size();
    data.memo = std::move(memo);
    return 0;
}

Data4* openData(Code4* code, const char* name) {
    auto data = std::make_unique<Data4>();
    data->code = code;
    if (u4nameCurrent(code, name, data->name) != 0) return nullptr;
    u4nameExt(data->name, "DBF", false);
    data->alias = baseName(data->name);
    if (code->singleInstance) {
        for (const auto& open : code->tables) {
            if (open->name == data->name) {
                error4report(code, e4instance, l4dfile, data->name.c_str());
                return nullptr;
            }
        }
    }
    if (file4open(code, data->file, data->name) != 0) return nullptr;

    // A file too short for the header is no data file, like one whose header fails the checks.
    unsigned char header[32];
    if (data->file.readAt(0, header, sizeof(header)) != std::int64_t(sizeof(header))) {
        reportCorrupt(*data, l4corruption);
        return nullptr;
    }
    data->version = header[0];
    data->flags = header[28];
    const std::int32_t count = std::int32_t(u32(header + 4));
    data->headerLength = u16(header + 8);
    data->recordLength = u16(header + 10);
    const std::int64_t fileLength = data->file.size();
    const std::int64_t present =
        data->recordLength ? (fileLength - data->headerLength) / data->recordLength : 0;
    if (data->recordLength == 0 || (code->strictRecordCount && present != count) || count < 0 ||
        present + 1 < count || data->headerLength <= 32) {
        reportCorrupt(*data, l4corruption);
        return nullptr;
    }
    data->recCount = count;

    std::vector<unsigned char> area(std::size_t(data->headerLength - 32));
    if (file4read(code, data->file, data->name, 32, area.data(), area.size(), "d4open") != 0) {
        reportCorrupt(*data, l4shortHeader);
        return nullptr;
    }
    if (hasMemoFile(data->version, data->flags) && openMemo(*data) != 0) return nullptr;
    if (readFields(*data, area) != 0) return nullptr;

    data->record.assign(std::size_t(data->recordLength) + 1, ' ');
    data->record.back() = '\0';
    data->recNo = -1;

    if ((data->flags & 0x01) && code->autoOpen) {
        std::string indexName = data->name;
        u4nameExt(indexName, "MDX", true);
        if (!i4open(data.get(), indexName.c_str())) return nullptr;
    }
    code->tables.push_back(std::move(data));
    return code->tables.back().get();
}

// Returned by skipMissingRecords when the record count could not be reread (already reported).
constexpr int kCountUnreadable = -2;
static_assert(kCountUnreadable != kTreeCorrupt && kCountUnreadable != kTreeEnd);

// Steps over entries whose record number is outside the table, rereading the count once.
// Returns 0 on a usable entry, kTreeEnd, kTreeCorrupt, or the (reported) code of a failed
// reread of the count.
int skipMissingRecords(Data4* data, Tag4& tag, bool& reread) {
    for (;;) {
        const std::uint32_t recNo = tag4recNo(tag);
        if (recNo >= 1 && std::int64_t(recNo) <= data->recCount) return 0;
        if (recNo > std::uint32_t(data->recCount) && !reread) {
            reread = true;
            if (d4recCountReread(data) != 0) return kCountUnreadable;
            continue;
        }
        const int rc = tag4skip(tag);
        if (rc != 0) return rc;
    }
}

int reportTree(Data4* data, Tag4& tag, long location) {
    tag.depth = 0;
    return error4report(data->code, e4index, location, tag.index->name.c_str(), "corrupt B-tree");
}

int readFromTag(Data4* data, Tag4& tag, int result) {
    const long recNo = long(tag4recNo(tag));
    const int rc = d4goRead(data, recNo);
    tag.positionRecNo = rc == 0 ? recNo : -1;
    return rc != 0 ? rc : result;
}

int seekProper(Data4* data, const char* text, long location) {
    if (!data || !text) return error4report(nullptr, e4parmNull, location);
    if (data->code->lastError < 0) return -1;
    Tag4* tag = data->selected;
    if (!tag) return r4noTag;
    SearchKey key;
    tag4searchKey(*tag, text, key);
    int rc = tag4seek(*tag, key);
    bool reread = false;
    if (rc == 0) rc = skipMissingRecords(data, *tag, reread);
    if (rc == kTreeEnd) return d4goEof(data);
    if (rc == kCountUnreadable) return e4read;
    if (rc != 0) return reportTree(data, *tag, location);
    const int result = tag4compare(*tag, tag4key(*tag), key) == 0 ? r4success : r4after;
    return readFromTag(data, *tag, result);
}

// Puts the tag on the entry of the current record. Returns 0, kTreeEnd when the record has no
// entry, or kTreeCorrupt.
int positionOnCurrent(Data4* data, Tag4& tag) {
    SearchKey key;
    std::string storage;
    tag4exprKey(tag, tag.expr.evaluate(), storage, key);
    int rc = tag4seek(tag, key);
    while (rc == 0) {
        if (tag4compare(tag, tag4key(tag), key) != 0) return kTreeEnd;
        if (long(tag4recNo(tag)) == data->recNo) {
            tag.positionRecNo = data->recNo;
            return 0;
        }
        rc = tag4skip(tag);
    }
    return rc;
}

int seekNextProper(Data4* data, const char* text, long location) {
    if (!data || !text) return error4report(nullptr, e4parmNull, location);
    if (data->code->lastError < 0) return -1;
    Tag4* tag = data->selected;
    if (!tag) return r4noTag;
    if (data->recNo < 1 || data->recNo > data->recCount) return seekProper(data, text, l4d4seekN);
    if (tag->depth == 0 || tag->positionRecNo != data->recNo) {
        const int rc = positionOnCurrent(data, *tag);
        if (rc == kTreeCorrupt) return reportTree(data, *tag, location);
        if (rc != 0) return seekProper(data, text, l4d4seekN);
    }
    SearchKey key;
    tag4searchKey(*tag, text, key);
    if (tag4compare(*tag, tag4key(*tag), key) != 0) return seekProper(data, text, l4d4seekN);

    Tag4::Level saved[Tag4::kMaxDepth];
    const int savedDepth = tag->depth;
    std::copy(tag->path, tag->path + savedDepth, saved);
    int rc = tag4skip(*tag);
    bool reread = false;
    if (rc == 0) rc = skipMissingRecords(data, *tag, reread);
    if (rc == kTreeEnd) {
        std::copy(saved, saved + savedDepth, tag->path);
        tag->depth = savedDepth;
        return r4entry;
    }
    if (rc == kCountUnreadable) return e4read;
    if (rc != 0) return reportTree(data, *tag, location);
    const int result = tag4compare(*tag, tag4key(*tag), key) == 0 ? r4success : r4entry;
    return readFromTag(data, *tag, result);
}

} // namespace

char* Field4::ptr() {
    return data->record.data() + offset;
}

Data4* d4open(Code4* code, const char* name) {
    if (!code || !name) {
        error4report(nullptr, e4parmNull, l4d4open);
        return nullptr;
    }
    if (code->lastError < 0) return nullptr;
    try {
        return openData(code, name);
    } catch (const std::bad_alloc&) {
        error4report(code, e4memory, l4dfile, name);
        return nullptr;
    }
}

Index4* i4open(Data4* data, const char* name) {
    if (!data) {
        error4report(nullptr, e4parmNull, l4i4open);
        return nullptr;
    }
    Code4* code = data->code;
    if (code->lastError < 0) return nullptr;
    std::string full;
    if (name) {
        if (u4nameCurrent(code, name, full) != 0) return nullptr;
        u4nameExt(full, "MDX", false);
    } else {
        full = data->name;
        u4nameExt(full, "MDX", true);
    }
    for (const auto& open : data->indexes) {
        if (open->name == full) {
            error4report(code, e4instance, l4index4open, full.c_str());
            return nullptr;
        }
    }
    try {
        auto index = std::make_unique<Index4>();
        index->data = data;
        index->name = full;
        if (file4open(code, index->file, full) != 0) return nullptr;
        if (index4read(*index) != 0) return nullptr;
        data->indexes.push_back(std::move(index));
        return data->indexes.back().get();
    } catch (const std::bad_alloc&) {
        error4report(code, e4memory, l4i4open, full.c_str());
        return nullptr;
    }
}

int d4close(Data4* data) {
    if (!data) return error4report(nullptr, e4parmNull, l4d4close);
    Code4* code = data->code;
    const int putAside = code->lastError < 0 ? code->lastError : 0;
    if (putAside < 0) code->lastError = 0;
    int rc = 0;
    for (auto& index : data->indexes)
        if (!index->file.close() && rc == 0)
            rc = error4report(code, e4close, l4d4close, index->name.c_str());
    if (data->memo && !data->memo->file.close() && rc == 0)
        rc = error4report(code, e4close, l4d4close, data->memo->name.c_str());
    if (!data->file.close() && rc == 0)
        rc = error4report(code, e4close, l4d4close, data->name.c_str());
    auto& tables = code->tables;
    tables.erase(std::remove_if(tables.begin(), tables.end(),
                                [data](const auto& open) { return open.get() == data; }),
                 tables.end());
    if (putAside < 0) {
        code->lastError = putAside;
        return putAside;
    }
    return rc;
}

int d4fieldNumber(Data4* data, const char* name) {
    if (!data || !name) return error4report(nullptr, e4parmNull, l4d4fieldNumber);
    std::string wanted(name, std::min<std::size_t>(std::strlen(name), 255));
    while (!wanted.empty() && wanted.back() == ' ')
        wanted.pop_back();
    for (char& c : wanted)
        c = upper(c);
    for (std::size_t i = 0; i < data->fields.size(); ++i)
        if (data->fields[i]->name == wanted) return int(i + 1);
    if (data->code->reportMissingField)
        error4report(data->code, e4fieldName, l4d4fieldNumber, name);
    return e4fieldName;
}

Field4* d4field(Data4* data, const char* name) {
    if (!data) {
        error4report(nullptr, e4parmNull, l4d4field);
        return nullptr;
    }
    const int position = d4fieldNumber(data, name);
    return position > 0 ? data->fields[std::size_t(position - 1)].get() : nullptr;
}

Tag4* d4tag(Data4* data, const char* name) {
    if (!data || !name) {
        error4report(nullptr, e4parmNull, l4d4tag);
        return nullptr;
    }
    std::string wanted(name, std::min<std::size_t>(std::strlen(name), 10));
    for (char& c : wanted)
        c = upper(c);
    for (const auto& index : data->indexes)
        for (const auto& tag : index->tags)
            if (tag->name == wanted) return tag.get();
    if (data->code->reportMissingTag) error4report(data->code, e4tagName, l4d4tag, name);
    return nullptr;
}

void d4tagSelect(Data4* data, Tag4* tag) {
    if (!data) {
        error4report(nullptr, e4parmNull, l4d4tagSelect);
        return;
    }
    data->selected = tag;
}

// The index's block cache is made on the first seek and keys are built as strings: running out
// of memory there is reported like anywhere else in the layer.
int d4seek(Data4* data, const char* text) {
    if (!data || !text) return error4report(nullptr, e4parmNull, l4d4seek);
    try {
        return seekProper(data, text, l4d4seekN);
    } catch (const std::bad_alloc&) {
        return error4report(data->code, e4memory, l4d4seekN);
    }
}

int d4seekNext(Data4* data, const char* text) {
    if (!data || !text) return error4report(nullptr, e4parmNull, l4d4seekNext);
    try {
        return seekNextProper(data, text, l4d4seekNextN);
    } catch (const std::bad_alloc&) {
        return error4report(data->code, e4memory, l4d4seekNextN);
    }
}

int d4changed(Data4* data, int /*flag*/) {
    if (!data) return error4report(nullptr, e4parmNull, l4d4changed);
    return error4report(data->code, e4notWrite, l4d4changed);
}

void d4blankRecord(Data4* data) {
    std::memset(data->record.data(), ' ', data->recordLength);
    for (Field4memo* memo : data->memoFields)
        memo->reread = true;
}

int d4goEof(Data4* data) {
    if (!data) return error4report(nullptr, e4parmNull, l4d4goEof);
    d4blankRecord(data);
    data->recNo = data->recCount + 1;
    return r4eof;
}

int d4recCountReread(Data4* data) {
    unsigned char count[4];
    if (data->file.readAt(4, count, sizeof(count)) != 4)
        return error4report(data->code, e4read, l4d4recCountLessEq, data->name.c_str());
    const std::int32_t value = std::int32_t(u32(count));
    data->recCount = value < 0 ? 0 : value;
    // Another program changed the file: what was kept of it may be stale too.
    data->recordBlocks.clear();
    return 0;
}

int d4goRead(Data4* data, long recNo) {
    Code4* code = data->code;
    if (code->lastError < 0) return e4errorState;
    for (Field4memo* memo : data->memoFields)
        memo->reread = true;
    if (recNo > data->recCount) {
        const int rc = d4recCountReread(data);
        if (rc != 0) {
            d4blankRecord(data);
            data->recNo = -1;
            return rc;
        }
    }
    bool ok = recNo >= 1 && recNo <= data->recCount;
    if (ok) {
        const std::int64_t offset =
            data->headerLength + std::int64_t(recNo - 1) * std::int64_t(data->recordLength);
        ok = data->recordBlocks.read(data->file, offset, data->record.data(), data->recordLength) ==
             std::int64_t(data->recordLength);
    }
    if (!ok) {
        d4blankRecord(data);
        data->recNo = -1;
        if (code->reportBadRecord) return error4report(code, e4read, l4dfile, data->alias.c_str());
        return r4entry;
    }
    data->recNo = recNo;
    return 0;
}

int d4go(Data4* data, long recNo) {
    if (!data) return error4report(nullptr, e4parmNull, l4d4go);
    return d4goRead(data, recNo);
}

long d4recCount(Data4* data) {
    if (!data) return error4report(nullptr, e4parmNull, l4d4recCount);
    return data->recCount;
}

long d4recNo(Data4* data) {
    if (!data) return error4report(nullptr, e4parmNull, l4d4recNo);
    return data->recNo;
}

int d4numFields(Data4* data) {
    if (!data) return error4report(nullptr, e4parmNull, l4d4numFields);
    return int(data->fields.size());
}

Field4* d4fieldJ(Data4* data, int position) {
    if (!data) {
        error4report(nullptr, e4parmNull, l4d4fieldJ);
        return nullptr;
    }
    if (position < 1 || std::size_t(position) > data->fields.size()) return nullptr;
    return data->fields[std::size_t(position - 1)].get();
}

const char* d4alias(Data4* data) {
    if (!data) {
        error4report(nullptr, e4parmNull, l4d4alias);
        return nullptr;
    }
    return data->alias.c_str();
}
