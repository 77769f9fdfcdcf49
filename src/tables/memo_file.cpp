// Memo texts from the DBT file. An entry starts with FF FF, the offset of its text (bytes 2-3)
// and its length including the 8-byte entry header (bytes 4-7).
#include "tables/data4.h"

#include "tables/error4.h"

#include <new>

namespace {

char kEmptyText[1] = {'\0'};

std::uint32_t u32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

int emptyText(Field4memo* field) {
    field->textLength = 0;
    if (!field->text.empty()) field->text[0] = '\0';
    field->reread = false;
    return 0;
}

// An entry that does not fit its file: reported, and the text is empty.
int corruptEntry(Field4memo* field, const MemoFile& memo) {
    error4report(field->data->code, e4memoCorrupt, l4memo4fileRead, memo.name.c_str());
    return emptyText(field);
}

// The text of the current record: the stored text or "" (null when it could not be read).
char* memoText(Field4* field, long location) {
    if (!field) {
        error4report(nullptr, e4parmNull, location);
        return nullptr;
    }
    if (!field->isMemo()) {
        field->copy.assign(field->ptr(), field->length);
        return field->copy.data();
    }
    auto* memo = static_cast<Field4memo*>(field);
    if (f4memoRead(memo) < 0) return nullptr;
    return memo->textLength == 0 ? kEmptyText : memo->text.data();
}

} // namespace

int memo4fileRead(Field4memo* field, long block) {
    Data4* data = field->data;
    if (block <= 0 || !data->memo) return emptyText(field);
    const MemoFile& memo = *data->memo;
    // With a block size of 0 every entry would be the file's own header, which has no entry
    // marker: the memo is empty.
    if (memo.blockSize == 0) return emptyText(field);
    if (memo.blockSize < 0) return corruptEntry(field, memo);
    // Past the end of the file the read of the entry header fails, as it would at the end.
    const std::int64_t offset = block > memo.fileSize / memo.blockSize
                                    ? memo.fileSize
                                    : std::int64_t(block) * memo.blockSize;
    unsigned char header[8];
    if (file4read(data->code, memo.file, memo.name, offset, header, sizeof(header),
                  "memo4fileRead") != 0)
        return -1;
    if (header[0] != 0xFF || header[1] != 0xFF) return emptyText(field);
    const std::uint32_t length = u32(header + 4);
    if (length == 0xFFFFFFFFu)
        return error4report(data->code, e4info, l4memo4fileRead, memo.name.c_str());
    if (length < 8) return corruptEntry(field, memo);
    const std::int64_t textLength = std::int64_t(length) - 8;
    const std::int64_t start = offset + (header[2] | header[3] << 8);
    if (start > memo.fileSize || textLength > memo.fileSize - start)
        return corruptEntry(field, memo);
    if (std::size_t(textLength) + 1 > field->text.size()) {
        try {
            field->text.clear();
            field->text.shrink_to_fit();
            field->text.resize(std::size_t(textLength) + 1);
        } catch (const std::bad_alloc&) {
            return error4report(data->code, e4memory, l4memo4fileRead, memo.name.c_str());
        }
    }
    if (file4read(data->code, memo.file, memo.name, start, field->text.data(),
                  std::size_t(textLength), "memo4fileRead") != 0)
        return -1;
    field->text[std::size_t(textLength)] = '\0';
    field->textLength = unsigned(textLength);
    field->reread = false;
    return 0;
}

int f4memoRead(Field4memo* field) {
    if (!field) return error4report(nullptr, e4parmNull, l4f4memoRead);
    Data4* data = field->data;
    if (data->code->lastError < 0) return e4errorState;
    if (!field->reread) return 0;
    if (data->recNo < 0) return emptyText(field);
    return memo4fileRead(field, str4toLong(field->ptr(), field->length));
}

const char* f4memoStr(Field4* field) {
    return memoText(field, l4f4memoStr);
}

char* f4memoPtr(Field4* field) {
    return memoText(field, l4f4memoPtr);
}

unsigned f4memoLen(Field4* field) {
    if (!field) return unsigned(error4report(nullptr, e4parmNull, l4f4memoLen));
    if (!field->isMemo()) return field->length;
    auto* memo = static_cast<Field4memo*>(field);
    if (f4memoRead(memo) < 0) return 0;
    return memo->textLength;
}
