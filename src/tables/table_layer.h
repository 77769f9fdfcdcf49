// The read-only dBASE table layer: one include for its users. A context (Code4) owns the
// settings, the sticky error code and every open table; tables (Data4) are read through field
// handles (Field4, Field4memo) and positioned by seeks on an index tag (Tag4) of the production
// index. Every failure is reported by the layer itself (error4report) before it returns.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct Data4;
struct Index4;
struct Tag4;
class Field4;
class Field4memo;

// Result codes that are not errors.
constexpr int r4success = 0;
constexpr int r4after = 2;   // positioned on the next greater key
constexpr int r4eof = 3;     // past the last key
constexpr int r4entry = 5;   // no further record with this key / bad record read quietly
constexpr int r4noOpen = 70; // a file could not be opened, quietly
constexpr int r4noTag = 80;  // no tag selected

// The table-layer context. Create it zeroed (value-initialised), then code4init.
struct Code4 {
    Code4();
    ~Code4();
    Code4(const Code4&) = delete;
    Code4& operator=(const Code4&) = delete;

    int lastError = 0;
    long lastErrorLocation = 0;

    // Settings; code4init sets their defaults.
    int autoOpen = 0;
    int reportOpenFailure = 0;
    int reportMissingField = 0;
    int reportMissingTag = 0;
    int reportBadRecord = 0;
    int createSafety = 0;
    int singleInstance = 0;
    int readOnlyOpen = 0;
    int silentErrors = 0;
    int strictRecordCount = 0;
    std::string dateFormat;

    bool initialised = false;
    std::vector<std::unique_ptr<Data4>> tables; // every open table, in the order opened
};

int code4init(Code4* code);
int code4initUndo(Code4* code);
int code4dateFormatSet(Code4* code, const char* format);

Data4* d4open(Code4* code, const char* name);
Index4* i4open(Data4* data, const char* name);
int d4close(Data4* data);

Field4* d4field(Data4* data, const char* name);
int d4fieldNumber(Data4* data, const char* name);
Tag4* d4tag(Data4* data, const char* name);
void d4tagSelect(Data4* data, Tag4* tag);

int d4seek(Data4* data, const char* text);
int d4seekNext(Data4* data, const char* text);
int d4changed(Data4* data, int flag);

// Reads record number recNo by the rules the seeks read records with: 0, r4entry when it fails
// quietly (reportBadRecord off), or a negative code.
int d4go(Data4* data, long recNo);

// Record count as last read from the header, and the current record number (-1 none).
long d4recCount(Data4* data);
long d4recNo(Data4* data);
int d4numFields(Data4* data);
Field4* d4fieldJ(Data4* data, int position); // 1-based; null when out of range
const char* d4alias(Data4* data);            // the table's upper-case name, without extension
int d4numTags(Data4* data);                  // tags of every open index
Tag4* d4tagJ(Data4* data, int position);     // 1-based over d4numTags; null when out of range

char* f4ptr(Field4* field);
unsigned f4len(Field4* field);
int f4decimals(Field4* field);
long f4long(Field4* field);
const char* f4name(Field4* field);
char f4type(Field4* field);

// A tag's name, key type ('C', 'N' or 'D'), key length and expression, and its flags.
const char* t4alias(Tag4* tag);
char t4type(Tag4* tag);
int t4keyLength(Tag4* tag);
const char* t4expr(Tag4* tag);
int t4unique(Tag4* tag);
int t4descending(Tag4* tag);

// Memo text of the current record; for a field of another type, a NUL-terminated copy of its value.
const char* f4memoStr(Field4* field);
char* f4memoPtr(Field4* field);
unsigned f4memoLen(Field4* field);

// A text view of bytes: the view of a field is the field's bytes in the current record buffer.
class Str4 {
public:
    virtual ~Str4() = default;
    virtual char* ptr() = 0;
    virtual unsigned len() const = 0;
    // The text read like atol on at most 127 bytes; a view without text reports and ends the
    // process, as every report without a context does.
    operator int();
    // Removes trailing blanks and NULs (on copies that own their bytes).
    void trim();

protected:
    virtual void setLen(unsigned length);
};

// A copy of at most 255 bytes of another view, NUL-terminated.
class Str4large : public Str4 {
public:
    Str4large();
    explicit Str4large(Str4& source);
    char* ptr() override { return m_text; }
    unsigned len() const override { return m_len; }
    std::string str() const { return std::string(m_text, m_len); }

protected:
    void setLen(unsigned length) override;

private:
    char m_text[256];
    unsigned m_len = 0;
};

// A field handle: its bytes in the owning table's record buffer are its text view.
class Field4 : public Str4 {
public:
    Field4(Data4* data, std::string name, char type, unsigned length, int decimals, unsigned offset)
        : data(data), name(std::move(name)), type(type), length(length), decimals(decimals),
          offset(offset) {}

    char* ptr() override;
    unsigned len() const override { return length; }
    virtual bool isMemo() const { return false; }

    Data4* data;
    std::string name; // upper case, at most 10 characters
    char type;        // upper-cased type letter
    unsigned length;
    int decimals;
    unsigned offset;  // from the start of the record (the deletion flag is byte 0)
    std::string copy; // NUL-terminated copy of the value, for the memo calls on plain fields
};

// A memo field: the field's bytes hold the block number; the text of the current record is read
// from the memo file when first asked for after a record change.
class Field4memo : public Field4 {
public:
    using Field4::Field4;
    bool isMemo() const override { return true; }

    bool reread = true;
    std::vector<char> text; // capacity = size; holds the text and its NUL
    unsigned textLength = 0;
};

// The opening every table reader uses: the context's autoOpen and createSafety set aside, the
// table opened without its index, then its production index, then the named fields and tags
// looked up in the given order (a name not found is reported by the layer but leaves its handle
// null without failing). Returns 0, or the error code after closing what was opened.
struct OpenTable {
    Data4* data = nullptr;
    std::vector<Field4*> fields; // in the order the names were given
    std::vector<Tag4*> tags;
};
int openTableSequence(Code4& code, std::string_view path,
                      std::initializer_list<const char*> fieldNames,
                      std::initializer_list<const char*> tagNames, OpenTable& out);
