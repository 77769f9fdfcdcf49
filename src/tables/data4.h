// The layer's records behind the public handles: open tables, fields, memo files, and the file
// and name helpers every open goes through.
#pragma once

#include "platform/core/file.h"
#include "tables/block_cache.h"
#include "tables/table_layer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Index4;
struct Tag4;

// The memo file of a table (extension "DBT").
struct MemoFile {
    std::string name;
    platform::File file;
    int blockSize = 0; // header bytes 20-21, signed
    std::int64_t fileSize = 0;
};

struct Data4 {
    Code4* code = nullptr;
    std::string name;  // full path, upper case, with extension: what boxes show and opens compare
    std::string alias; // base name without extension, upper case
    platform::File file;
    FileBlockCache recordBlocks; // the records are read through it
    unsigned char version = 0;
    unsigned char flags = 0;
    long recCount = 0;
    long recNo = -1; // -1 no current record; recCount + 1 at end of file
    std::int64_t headerLength = 0;
    unsigned recordLength = 0;
    std::vector<char> record; // recordLength bytes and a NUL
    std::vector<std::unique_ptr<Field4>> fields;
    std::vector<Field4memo*> memoFields;
    std::unique_ptr<MemoFile> memo;
    std::vector<std::unique_ptr<Index4>> indexes; // in the order opened
    Tag4* selected = nullptr;

    Data4();
    ~Data4();
};

// Completes a name to the full upper-case path (-930 beyond 257 characters, reported with
// location u4nameCurrent); the result has no trailing blanks. Returns 0 or the code.
int u4nameCurrent(Code4* code, const char* name, std::string& out);
// Adds the extension when the name has none (the part after the last '.' behind the last
// separator), or replaces it when replace is set. Upper-cases the result.
void u4nameExt(std::string& name, const char* extension, bool replace);
// Opens a file as the layer does: refused with -1410 while the context is in error; failures
// reported with the name (location file4open) or, with reportOpenFailure off, lastError = 70.
// Returns 0, r4noOpen or a negative code.
int file4open(Code4* code, platform::File& file, const std::string& name);
// Reads exactly count bytes at offset; a short read is reported as -70 (location file4readError)
// with the file name, the position and length, and the reading operation. Returns 0 or -70.
int file4read(Code4* code, const platform::File& file, const std::string& name, std::int64_t offset,
              void* buffer, std::size_t count, const char* operation);

// Reads record number recNo into the record buffer (the reading rules of the seeks). Returns 0,
// r4entry (quietly failed) or a negative code.
int d4goRead(Data4* data, long recNo);
// Rereads the record count from the header; returns 0 or a negative code.
int d4recCountReread(Data4* data);
// Positions at end of file: record count + 1, blank buffer. Returns r4eof.
int d4goEof(Data4* data);
// Blanks the record buffer and marks every memo for rereading.
void d4blankRecord(Data4* data);

// The number conversion of the layer (atol on at most 127 bytes, saturating).
long str4toLong(const char* text, unsigned length);

// The reads behind the memo calls: 0 with the text in the handle, or a negative code.
int f4memoRead(Field4memo* field);
int memo4fileRead(Field4memo* field, long block);
