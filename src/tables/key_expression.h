// Index key expressions over a table's fields: the parser that checks them when an index opens
// (result type and key length), and the evaluator that computes the key of the current record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Data4;
class Field4;

enum class ExprType : std::uint8_t { Character, Numeric, Date, Logical };

// The value of a key expression for one record.
struct ExprValue {
    ExprType type = ExprType::Character;
    std::string text;  // Character and Logical values, fixed width
    double number = 0; // Numeric values, and Date values as Julian day numbers
};

class KeyExpression {
public:
    // Parses source over the fields of data, which must outlive the expression (DELETED() and
    // RECNO() read its record). Returns 0 or the expression error code (-400 ... -510 range; -490
    // for a name that is neither a field nor a function).
    int parse(std::string_view source, const Data4& data);

    ExprType type() const { return m_nodes.empty() ? ExprType::Character : m_nodes[m_root].type; }
    // The width of a character result.
    unsigned length() const { return m_nodes.empty() ? 0 : m_nodes[m_root].length; }
    // The key length of the expression in a tag: the width for character results, 12 for
    // numeric, 8 for dates.
    unsigned keyLength() const;

    // Evaluates over the table's current record buffer and record number.
    ExprValue evaluate() const;

private:
    enum class Op : std::uint8_t {
        Field,
        Text,
        Number,
        Concat,     // character + character
        ConcatTrim, // character - character: trailing blanks of the left moved to the end
        Add,        // numeric + numeric, date + numeric
        Subtract,   // numeric - numeric, date - numeric, date - date
        Upper,
        Trim,
        Ltrim,
        Str,
        Val,
        Substr,
        Dtos,
        Dtoc,
        Right,   // the last p2 characters
        Iif,     // a ? b : c
        Ctod,    // MM/DD/YY text to a date
        Deleted, // the record's deletion flag
        Recno,
        Descend, // characters complemented byte by byte, numbers and dates negated
        Compare, // a relation b, p1 the relation
        And,
        Or,
        Not,
    };
    struct Node {
        Op op = Op::Text;
        ExprType type = ExprType::Character;
        unsigned length = 0;
        int a = -1, b = -1, c = -1; // operand nodes
        int p1 = 0, p2 = 0;         // constant parameters (STR length/decimals, SUBSTR start/len)
        const Field4* field = nullptr;
        std::string text;
        double number = 0;
    };
    class Parser;

    ExprValue eval(int node) const;

    std::vector<Node> m_nodes;
    int m_root = -1;
    const Data4* m_data = nullptr;
};

// Julian day number of a YYYYMMDD text; 0 for a blank or invalid date.
long date4long(const char* text);
// YYYYMMDD of a Julian day number; eight blanks for 0 or a day out of range.
std::string date4text(long julian);
// Julian day number of an MM/DD/YY text (one or two digits for month and day, two or four for the
// year, any one non-digit between them; two-digit years are 19YY); 0 when it is no date.
long date4ctod(std::string_view text);
