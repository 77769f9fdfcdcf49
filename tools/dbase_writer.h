// Writes dBASE IV tables for tests and demo data: the data file (DBF), its memo file (DBT) and its
// production index (MDX) with several tags, each a B-tree of one or more levels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dbase {

// A table description the writer cannot turn into files, or a file it cannot write.
class WriterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Date {
    int year = 1999;
    int month = 6;
    int day = 15;
};

struct FieldDef {
    std::string name;    // up to 10 characters; stored upper-cased
    char type = 'C';     // C, N, F, D, L or M
    unsigned length = 0; // 0: the type's usual width (C 10, N and F 10, D 8, L 1, M 10)
    unsigned decimals = 0;
};

struct TagDef {
    std::string name;       // up to 10 characters; stored upper-cased
    std::string expression; // see KeyExpression for what can be written
    bool descending = false;
    bool unique = false; // only the first record of each key is indexed
};

struct TableOptions {
    // DBF version byte; 0 chooses 0x8B for a table with memo fields, else 0x03.
    std::uint8_t version = 0;
    // Header byte 28 bit 0; unset: set exactly when the table has tags.
    std::optional<bool> productionIndexFlag;
    Date lastUpdate; // a fixed default keeps the output reproducible
    // Stored record count instead of the real one (for files that lie about their length).
    std::optional<std::int32_t> recordCountOverride;
    bool endOfFileMarker = true; // the 0x1A byte after the last record
    // The type byte of one more descriptor after the fields, with no name and length 0, so the
    // record length does not count it (some writers leave such a descriptor); unset: none.
    std::optional<std::uint8_t> emptyDescriptorType;
    unsigned memoBlockSize = 512;
    unsigned indexBlockSize = 1024; // a multiple of 512
    // Upper limit on keys per B-tree node; 0: as many as fit into a block. At least 2.
    unsigned maxKeysPerNode = 0;
};

// Everything one table consists of. Each record holds one text per field, in field order:
// C texts are blank-padded on the right, N and F texts right-aligned as given, D texts are
// YYYYMMDD or empty, L texts one character or empty, and a memo field holds its memo text itself
// (empty: no memo).
struct TableDef {
    std::vector<FieldDef> fields;
    std::vector<std::vector<std::string>> records;
    std::set<long> deleted; // 1-based numbers of records marked deleted
    std::vector<TagDef> tags;
    TableOptions options;
};

// Where a tag ended up in the index file, so tests can damage a chosen part of it.
struct TagLayout {
    std::string name;
    std::uint32_t headerPage = 0; // pages count 512 bytes
    std::uint32_t rootPage = 0;
    int levels = 0;                           // 1: the root is a leaf
    std::vector<std::uint32_t> leafPages;     // in key order
    std::vector<std::uint32_t> interiorPages; // level by level from the leaves' parents up
    std::size_t keyCount = 0;
    unsigned keyLength = 0;
    unsigned itemLength = 0;
    unsigned maxKeysPerNode = 0;
};

// The bytes of one table's files before they are written; an empty buffer means no such file.
struct TableFiles {
    std::string dbf;
    std::string mdx;
    std::string dbt;
    unsigned headerLength = 0;
    unsigned recordLength = 0;
    std::vector<unsigned> fieldOffsets; // offset of each field within a record (the flag is 0)
    std::vector<TagLayout> tags;

    // File offset of record n (1-based) in the DBF.
    std::size_t recordOffset(long n) const {
        return headerLength + static_cast<std::size_t>(n - 1) * recordLength;
    }
    const TagLayout* tag(std::string_view name) const;
};

TableFiles buildTable(std::string_view name, const TableDef& def);
// Writes NAME.DBF, NAME.MDX and NAME.DBT into the folder (created when missing), replacing
// earlier files of that table; a buffer that is empty removes the file of that name.
void writeFiles(const std::filesystem::path& dir, std::string_view name, const TableFiles& files);
TableFiles writeTable(const std::filesystem::path& dir, std::string_view name, const TableDef& def);

// A tag's key expression over a table's fields. Writable forms: a field name (C, N, F, D or L),
// a 'quoted' or "quoted" text, `A + B` concatenation of character values, UPPER(c), TRIM(c),
// RTRIM(c), LTRIM(c), SUBSTR(c, start[, len]), LEFT(c, len), RIGHT(c, len), STR(n[, len[,
// decimals]]), VAL(c), DTOS(d), DTOC(d) (MM/DD/YY), CTOD(c) (two-digit years are 19YY),
// IIF(l, a, b) with a logical field or DELETED() as the condition, DELETED(), RECNO() and
// DESCEND(x) (characters complemented byte by byte, numbers and dates negated). The result type
// gives the key: character and logical keys are blank-padded to the expression's width, numeric
// keys are 12-byte BCD numbers, date keys 8-byte doubles of the Julian day.
class KeyExpression {
public:
    KeyExpression(const std::vector<FieldDef>& fields, std::string_view text);
    char keyType() const { return m_type; } // 'C', 'N' or 'D'
    unsigned keyLength() const;
    // The key bytes of one record (texts as in TableDef::records), its 1-based number and
    // deletion mark for RECNO() and DELETED().
    std::string key(const std::vector<std::string>& record, long number = 1,
                    bool deleted = false) const;

    // One operation of the parsed expression; operands are indexes into the node list.
    struct Node {
        enum class Op {
            Field,
            Text,
            Concat,
            Upper,
            Trim,
            LeftTrim,
            Substr,
            Right,
            Str,
            Val,
            Dtos,
            Dtoc,
            Ctod,
            Iif,
            Deleted,
            Recno,
            Descend,
        };
        Op op = Op::Field;
        int field = -1; // Field: the field's position
        int left = -1;
        int right = -1;
        int third = -1;     // Iif: the branch taken when the condition is false
        int start = 1;      // Substr
        int decimals = 0;   // Str
        char type = 'C';    // result type: C, N, D or L
        unsigned width = 0; // C and L results: the most characters the value can have
        std::string text;   // Text
    };

private:
    std::vector<FieldDef> m_fields;
    std::vector<Node> m_nodes;
    int m_root = 0;
    char m_type = 'C';
    unsigned m_width = 0;
};

// Key encodings, also used by tests to name expected keys.
std::string numericKey(std::string_view text);  // 12-byte BCD of the number the text starts with
std::string dateKey(std::string_view yyyymmdd); // 8-byte little-endian double of the Julian day
long julianDay(int year, int month, int day);

// Little-endian helpers for patching buffers.
void putU16(std::string& bytes, std::size_t offset, std::uint16_t value);
void putU32(std::string& bytes, std::size_t offset, std::uint32_t value);
std::uint16_t getU16(std::string_view bytes, std::size_t offset);
std::uint32_t getU32(std::string_view bytes, std::size_t offset);

} // namespace dbase
