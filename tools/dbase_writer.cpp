// Writes dBASE IV tables byte for byte as dBASE IV lays them out: DBF with 32-byte descriptors,
// DBT with 0xFF 0xFF 0x08 0x00 entries, MDX with a 2048-byte header and tag table and one B-tree
// per tag.
#include "tools/dbase_writer.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

namespace dbase {

namespace {

[[noreturn]] void fail(const std::string& message) {
    throw WriterError(message);
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string trimmed(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return std::string(text.substr(begin, end - begin));
}

// A decimal number as 0.d1d2d3... x 10^exponent; no leading or trailing zero digits, so zero
// has no digits at all.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// Reads the number a text starts with, as atof does: blanks, a sign, digits, a point, digits.
Decimal parseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::string all;
    std::size_t point = std::string::npos;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            all += c;
        } else if (c == '.' && point == std::string::npos) {
            point = all.size();
        } else {
            break;
        }
    }
    if (point == std::string::npos) point = all.size();
    std::size_t lead = 0;
    while (lead < all.size() && all[lead] == '0')
        ++lead;
    Decimal d;
    d.digits = all.substr(lead);
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty()) return d;
    d.negative = negative;
    d.exponent = static_cast<int>(point) - static_cast<int>(lead);
    return d;
}

int compareDecimal(const Decimal& a, const Decimal& b) {
    const int signA = a.digits.empty() ? 0 : (a.negative ? -1 : 1);
    const int signB = b.digits.empty() ? 0 : (b.negative ? -1 : 1);
    if (signA != signB) return signA < signB ? -1 : 1;
    if (signA == 0) return 0;
    int magnitude = 0;
    if (a.exponent != b.exponent) {
        magnitude = a.exponent < b.exponent ? -1 : 1;
    } else {
        const std::size_t n = std::max(a.digits.size(), b.digits.size());
        for (std::size_t i = 0; i < n && magnitude == 0; ++i) {
            const char da = i < a.digits.size() ? a.digits[i] : '0';
            const char db = i < b.digits.size() ? b.digits[i] : '0';
            if (da != db) magnitude = da < db ? -1 : 1;
        }
    }
    return signA * magnitude;
}

// The number rounded half away from zero to a fixed count of decimals, as STR() prints it.
std::string formatFixed(const Decimal& d, int decimals) {
    const int integerDigits = d.exponent + decimals; // digits of the value times 10^decimals
    std::string scaled;
    bool roundUp = false;
    if (!d.digits.empty() && integerDigits >= 0) {
        const std::size_t keep = static_cast<std::size_t>(integerDigits);
        scaled = d.digits.substr(0, std::min(keep, d.digits.size()));
        scaled.append(keep - scaled.size(), '0');
        roundUp = keep < d.digits.size() && d.digits[keep] >= '5';
    }
    if (scaled.empty()) scaled = "0";
    if (roundUp) {
        std::size_t i = scaled.size();
        while (i > 0 && scaled[i - 1] == '9')
            scaled[--i] = '0';
        if (i == 0) {
            scaled.insert(scaled.begin(), '1');
        } else {
            ++scaled[i - 1];
        }
    }
    if (decimals > 0) {
        const std::size_t need = static_cast<std::size_t>(decimals) + 1;
        if (scaled.size() < need) scaled.insert(0, need - scaled.size(), '0');
        scaled.insert(scaled.size() - static_cast<std::size_t>(decimals), ".");
    }
    const bool isZero = scaled.find_first_not_of("0.") == std::string::npos;
    return (d.negative && !isZero ? "-" : "") + scaled;
}

// Numeric keys: byte 0 = 0x34 + digits before the point, byte 1 = sign 0x80 | digit count << 2
// | 1, then up to 20 packed BCD digits; zero is 34 01 00 ...
std::string encodeNumeric(const Decimal& d) {
    std::string key(12, '\0');
    if (d.digits.empty()) {
        key[0] = 0x34;
        key[1] = 0x01;
        return key;
    }
    const int exponentByte = 0x34 + d.exponent;
    if (exponentByte < 1 || exponentByte > 255) fail("number out of the key's range");
    const std::size_t count = std::min<std::size_t>(d.digits.size(), 20);
    key[0] = static_cast<char>(exponentByte);
    key[1] = static_cast<char>((d.negative ? 0x80 : 0) | (count << 2) | 1);
    for (std::size_t i = 0; i < count; ++i) {
        const int digit = d.digits[i] - '0';
        key[2 + i / 2] = static_cast<char>(key[2 + i / 2] | (i % 2 == 0 ? digit << 4 : digit));
    }
    return key;
}

double julianOfText(std::string_view yyyymmdd) {
    if (yyyymmdd.size() != 8 || yyyymmdd.find_first_not_of("0123456789") != std::string::npos)
        return 0.0; // a blank or malformed date sorts first
    const auto number = [&](std::size_t from, std::size_t n) {
        return std::stoi(std::string(yyyymmdd.substr(from, n)));
    };
    return static_cast<double>(julianDay(number(0, 4), number(4, 2), number(6, 2)));
}

// A date key: the little-endian double of the day number.
std::string dayKey(double day) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &day, sizeof bits);
    std::string key(8, '\0');
    for (int i = 0; i < 8; ++i)
        key[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return key;
}

unsigned defaultLength(char type) {
    switch (type) {
    case 'D':
        return 8;
    case 'L':
        return 1;
    default:
        return 10;
    }
}

std::vector<FieldDef> normalisedFields(const std::vector<FieldDef>& fields) {
    std::vector<FieldDef> out;
    std::set<std::string> names;
    for (const FieldDef& given : fields) {
        FieldDef f = given;
        f.name = upper(f.name);
        f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(f.type)));
        if (f.name.empty() || f.name.size() > 10)
            fail("field name '" + f.name + "' must have 1 to 10 characters");
        if (!names.insert(f.name).second) fail("field " + f.name + " appears twice");
        if (std::string_view("CNFDLM").find(f.type) == std::string_view::npos)
            fail("field " + f.name + ": the writer has no type '" + std::string(1, f.type) + "'");
        if (f.length == 0) f.length = defaultLength(f.type);
        if ((f.type == 'D' && f.length != 8) || (f.type == 'L' && f.length != 1) ||
            (f.type == 'M' && f.length != 10))
            fail("field " + f.name + " has the wrong width for its type");
        if (f.type == 'C' && (f.length > 65535 || (f.length > 255 && f.decimals != 0)))
            fail("field " + f.name + " is too wide");
        if ((f.type == 'N' || f.type == 'F') &&
            (f.length > 20 || (f.decimals != 0 && f.decimals + 2 > f.length)))
            fail("field " + f.name + " has an impossible width or decimals");
        if (f.type != 'N' && f.type != 'F' && f.type != 'C' && f.decimals != 0)
            fail("field " + f.name + " cannot have decimals");
        out.push_back(f);
    }
    return out;
}

void putBytes(std::string& bytes, std::size_t offset, std::string_view text) {
    std::memcpy(bytes.data() + offset, text.data(), text.size());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Little-endian helpers and key encodings

void putU16(std::string& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset + 1);
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

void putU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    bytes.at(offset + 3);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint16_t getU16(std::string_view bytes, std::size_t offset) {
    if (bytes.size() < offset + 2) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t getU32(std::string_view bytes, std::size_t offset) {
    if (bytes.size() < offset + 4) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

long julianDay(int year, int month, int day) {
    const long a = (14 - month) / 12;
    const long y = year + 4800 - a;
    const long m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

std::string numericKey(std::string_view text) {
    return encodeNumeric(parseDecimal(text));
}

std::string dateKey(std::string_view yyyymmdd) {
    return dayKey(julianOfText(yyyymmdd));
}

// ---------------------------------------------------------------------------------------------
// Key expressions

namespace {

using Node = KeyExpression::Node;

class ExpressionParser {
public:
    ExpressionParser(const std::vector<FieldDef>& fields, std::string_view text,
                     std::vector<Node>& nodes)
        : m_fields(fields), m_text(text), m_nodes(nodes) {}

    int parse() {
        const int root = parseSum();
        skipBlanks();
        if (m_pos != m_text.size()) error("unexpected text");
        return root;
    }

private:
    [[noreturn]] void error(const std::string& what) const {
        fail("key expression '" + std::string(m_text) + "': " + what + " at " +
             std::to_string(m_pos + 1));
    }
    void skipBlanks() {
        while (m_pos < m_text.size() && m_text[m_pos] == ' ')
            ++m_pos;
    }
    bool accept(char c) {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    void expect(char c) {
        if (!accept(c)) error(std::string("'") + c + "' expected");
    }
    std::string identifier() {
        skipBlanks();
        const std::size_t begin = m_pos;
        while (m_pos < m_text.size() &&
               (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '_'))
            ++m_pos;
        if (begin == m_pos) error("name expected");
        return upper(m_text.substr(begin, m_pos - begin));
    }
    int number() {
        skipBlanks();
        const std::size_t begin = m_pos;
        while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
        if (begin == m_pos || m_pos - begin > 5) error("number expected");
        return std::stoi(std::string(m_text.substr(begin, m_pos - begin)));
    }
    int add(Node node) {
        m_nodes.push_back(node);
        return static_cast<int>(m_nodes.size()) - 1;
    }
    const Node& operand(int index, char type, const char* what) {
        if (m_nodes[static_cast<std::size_t>(index)].type != type) error(what);
        return m_nodes[static_cast<std::size_t>(index)];
    }

    int parseSum() {
        int left = parseTerm();
        while (accept('+')) {
            const int right = parseTerm();
            Node node;
            node.op = Node::Op::Concat;
            node.left = left;
            node.right = right;
            node.width = operand(left, 'C', "only character values can be joined").width +
                         operand(right, 'C', "only character values can be joined").width;
            left = add(node);
        }
        return left;
    }

    int parseText() {
        const char quote = m_text[m_pos++];
        const std::size_t end = m_text.find(quote, m_pos);
        if (end == std::string_view::npos) error("unterminated text");
        Node node;
        node.op = Node::Op::Text;
        node.text = std::string(m_text.substr(m_pos, end - m_pos));
        node.width = static_cast<unsigned>(node.text.size());
        m_pos = end + 1;
        return add(node);
    }

    int parseField(const std::string& name) {
        const auto found = std::find_if(m_fields.begin(), m_fields.end(),
                                        [&](const FieldDef& f) { return f.name == name; });
        if (found == m_fields.end()) error("no field " + name);
        Node node;
        node.field = static_cast<int>(found - m_fields.begin());
        switch (found->type) {
        case 'C':
            node.type = 'C';
            node.width = found->length;
            break;
        case 'N':
        case 'F':
            node.type = 'N';
            break;
        case 'D':
            node.type = 'D';
            break;
        case 'L':
            node.type = 'L';
            node.width = 1;
            break;
        default:
            error("field " + name + " cannot be part of a key");
        }
        return add(node);
    }

    // A length argument of LEFT() and RIGHT(): at least 1, at most the value's width.
    unsigned length(unsigned width) {
        expect(',');
        const int n = number();
        if (n < 1) error("a length of at least 1 expected");
        return std::min(width, static_cast<unsigned>(n));
    }

    int parseTerm() {
        skipBlanks();
        if (m_pos < m_text.size() && (m_text[m_pos] == '\'' || m_text[m_pos] == '"'))
            return parseText();
        const std::string name = identifier();
        if (!accept('(')) return parseField(name);
        Node node;
        if (name == "DELETED" || name == "RECNO") {
            expect(')');
            node.op = name == "DELETED" ? Node::Op::Deleted : Node::Op::Recno;
            node.type = name == "DELETED" ? 'L' : 'N';
            node.width = name == "DELETED" ? 1 : 0;
            return add(node);
        }
        node.left = parseSum();
        if (name == "UPPER" || name == "TRIM" || name == "RTRIM" || name == "LTRIM") {
            node.op = name == "UPPER"   ? Node::Op::Upper
                      : name == "LTRIM" ? Node::Op::LeftTrim
                                        : Node::Op::Trim;
            node.width = operand(node.left, 'C', "character value expected").width;
        } else if (name == "SUBSTR") {
            const unsigned width = operand(node.left, 'C', "character value expected").width;
            expect(',');
            node.start = number();
            if (node.start < 1 || static_cast<unsigned>(node.start) > width)
                error("start outside the value");
            node.op = Node::Op::Substr;
            node.width = width - static_cast<unsigned>(node.start) + 1;
            if (accept(',')) node.width = std::min(node.width, static_cast<unsigned>(number()));
        } else if (name == "LEFT" || name == "RIGHT") {
            node.op = name == "LEFT" ? Node::Op::Substr : Node::Op::Right;
            node.width = length(operand(node.left, 'C', "character value expected").width);
        } else if (name == "STR") {
            operand(node.left, 'N', "numeric value expected");
            node.op = Node::Op::Str;
            node.width = 10;
            if (accept(',')) node.width = static_cast<unsigned>(number());
            if (accept(',')) node.decimals = number();
            if (node.width == 0) error("STR needs a width");
        } else if (name == "VAL") {
            operand(node.left, 'C', "character value expected");
            node.op = Node::Op::Val;
            node.type = 'N';
        } else if (name == "DTOS" || name == "DTOC") {
            operand(node.left, 'D', "date value expected");
            node.op = name == "DTOS" ? Node::Op::Dtos : Node::Op::Dtoc;
            node.width = 8;
        } else if (name == "CTOD") {
            operand(node.left, 'C', "character value expected");
            node.op = Node::Op::Ctod;
            node.type = 'D';
        } else if (name == "IIF") {
            operand(node.left, 'L', "logical condition expected");
            expect(',');
            node.right = parseSum();
            expect(',');
            node.third = parseSum();
            const Node& yes = m_nodes[static_cast<std::size_t>(node.right)];
            const Node& no = m_nodes[static_cast<std::size_t>(node.third)];
            if (yes.type != no.type || yes.width != no.width)
                error("IIF() needs branches of one type and width");
            node.op = Node::Op::Iif;
            node.type = yes.type;
            node.width = yes.width;
        } else if (name == "DESCEND") {
            const Node& value = m_nodes[static_cast<std::size_t>(node.left)];
            node.op = Node::Op::Descend;
            node.type = value.type == 'L' ? 'C' : value.type;
            node.width = value.width;
        } else {
            error("the writer cannot compute " + name + "()");
        }
        expect(')');
        return add(node);
    }

    const std::vector<FieldDef>& m_fields;
    std::string_view m_text;
    std::vector<Node>& m_nodes;
    std::size_t m_pos = 0;
};

// The value of one node: character and logical values as text, numbers as decimals, dates as
// Julian day numbers (0 for a blank date).
struct Value {
    std::string text;
    Decimal number;
    double day = 0;
};

// The record a key is made for.
struct RecordView {
    const std::vector<FieldDef>& fields;
    const std::vector<std::string>& values;
    long number;
    bool deleted;
};

// YYYYMMDD of a day number; blanks for 0 and what lies outside the years 1 to 9999.
std::string dateText(double day) {
    if (day < 1721426 || day > 5373484) return std::string(8, ' ');
    const long a = static_cast<long>(day) + 32044;
    const long b = (4 * a + 3) / 146097;
    const long c = a - 146097 * b / 4;
    const long d = (4 * c + 3) / 1461;
    const long e = c - 1461 * d / 4;
    const long m = (5 * e + 2) / 153;
    char text[64];
    std::snprintf(text, sizeof text, "%04ld%02ld%02ld", 100 * b + d - 4800 + m / 10,
                  m + 3 - 12 * (m / 10), e - (153 * m + 2) / 5 + 1);
    return std::string(text, 8);
}

// The day of an MM/DD/YY or MM/DD/YYYY text (two-digit years are 19YY); 0 when it is no date.
double dayOfMonthDayYear(std::string_view text) {
    const std::string t = trimmed(text);
    int month = 0, day = 0, year = 0, used = 0;
    char first = 0, second = 0;
    if (std::sscanf(t.c_str(), "%2d%c%2d%c%4d%n", &month, &first, &day, &second, &year, &used) !=
            5 ||
        static_cast<std::size_t>(used) != t.size())
        return 0.0;
    const std::size_t yearDigits = t.size() - (t.find_last_of(second) + 1);
    if (yearDigits == 2)
        year += 1900;
    else if (yearDigits != 4)
        return 0.0;
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
        (month == 2 && day == 29 && !leap))
        return 0.0;
    return static_cast<double>(julianDay(year, month, day));
}

bool isTrue(const std::string& logical) {
    return !logical.empty() && std::string_view("TtYy").find(logical[0]) != std::string_view::npos;
}

Value evaluate(const std::vector<Node>& nodes, int index, const RecordView& record) {
    const Node& node = nodes[static_cast<std::size_t>(index)];
    const auto operand = [&](int which) { return evaluate(nodes, which, record); };
    Value v;
    switch (node.op) {
    case Node::Op::Field: {
        const std::string& text = record.values.at(static_cast<std::size_t>(node.field));
        if (node.type == 'N') {
            v.number = parseDecimal(text);
        } else if (node.type == 'D') {
            v.day = julianOfText(text.substr(0, 8));
        } else {
            v.text = text.substr(0, record.fields[static_cast<std::size_t>(node.field)].length);
            v.text.resize(node.width, ' ');
        }
        break;
    }
    case Node::Op::Text:
        v.text = node.text;
        break;
    case Node::Op::Concat:
        v.text = operand(node.left).text + operand(node.right).text;
        break;
    case Node::Op::Upper:
        v.text = upper(operand(node.left).text);
        break;
    case Node::Op::Trim:
        v.text = operand(node.left).text;
        while (!v.text.empty() && v.text.back() == ' ')
            v.text.pop_back();
        break;
    case Node::Op::LeftTrim:
        v.text = operand(node.left).text;
        v.text.erase(0, std::min(v.text.size(), v.text.find_first_not_of(' ')));
        break;
    case Node::Op::Substr: {
        const std::string text = operand(node.left).text;
        const std::size_t start = static_cast<std::size_t>(node.start) - 1;
        v.text = start < text.size() ? text.substr(start, node.width) : std::string();
        break;
    }
    case Node::Op::Right: {
        const std::string text = operand(node.left).text;
        v.text = text.substr(text.size() - std::min<std::size_t>(text.size(), node.width));
        break;
    }
    case Node::Op::Str: {
        v.text = formatFixed(operand(node.left).number, node.decimals);
        if (v.text.size() > node.width) {
            v.text.assign(node.width, '*');
        } else {
            v.text.insert(0, node.width - v.text.size(), ' ');
        }
        break;
    }
    case Node::Op::Val:
        v.number = parseDecimal(operand(node.left).text);
        break;
    case Node::Op::Dtos:
        v.text = dateText(operand(node.left).day);
        break;
    case Node::Op::Dtoc: {
        const std::string d = dateText(operand(node.left).day);
        v.text = d[0] == ' ' ? d : d.substr(4, 2) + "/" + d.substr(6, 2) + "/" + d.substr(2, 2);
        break;
    }
    case Node::Op::Ctod:
        v.day = dayOfMonthDayYear(operand(node.left).text);
        break;
    case Node::Op::Iif:
        v = operand(isTrue(operand(node.left).text) ? node.right : node.third);
        break;
    case Node::Op::Deleted:
        v.text = record.deleted ? "T" : "F";
        break;
    case Node::Op::Recno:
        v.number = parseDecimal(std::to_string(record.number));
        break;
    case Node::Op::Descend:
        // Complemented at full width, so that shorter values sort after longer ones.
        v = operand(node.left);
        v.text.resize(node.width, ' ');
        for (char& c : v.text)
            c = static_cast<char>(~static_cast<unsigned char>(c));
        v.number.negative = !v.number.negative && !v.number.digits.empty();
        v.day = -v.day;
        break;
    }
    return v;
}

} // namespace

KeyExpression::KeyExpression(const std::vector<FieldDef>& fields, std::string_view text)
    : m_fields(normalisedFields(fields)) {
    if (text.empty() || text.size() > 220) fail("a key expression has 1 to 220 characters");
    m_root = ExpressionParser(m_fields, text, m_nodes).parse();
    // A logical result is a one-character key of a character tag.
    m_type = m_nodes[static_cast<std::size_t>(m_root)].type;
    if (m_type == 'L') m_type = 'C';
    m_width = m_nodes[static_cast<std::size_t>(m_root)].width;
    if (m_type == 'C' && (m_width == 0 || m_width > 100))
        fail("key expression '" + std::string(text) + "' gives a key of " +
             std::to_string(m_width) + " characters; keys have 1 to 100");
}

unsigned KeyExpression::keyLength() const {
    return m_type == 'N' ? 12 : m_type == 'D' ? 8 : m_width;
}

std::string KeyExpression::key(const std::vector<std::string>& record, long number,
                               bool deleted) const {
    if (record.size() != m_fields.size()) fail("a record needs one text per field");
    Value v = evaluate(m_nodes, m_root, RecordView{m_fields, record, number, deleted});
    switch (m_type) {
    case 'N':
        return encodeNumeric(v.number);
    case 'D':
        return dayKey(v.day);
    default:
        v.text.resize(m_width, ' ');
        return v.text;
    }
}

// ---------------------------------------------------------------------------------------------
// Files

const TagLayout* TableFiles::tag(std::string_view name) const {
    const std::string wanted = upper(name);
    for (const TagLayout& t : tags)
        if (t.name == wanted) return &t;
    return nullptr;
}

namespace {

std::string fieldText(const FieldDef& f, const std::string& value, std::size_t record) {
    const auto tooLong = [&] {
        fail("record " + std::to_string(record) + ": '" + value + "' does not fit field " + f.name);
    };
    std::string text;
    switch (f.type) {
    case 'N':
    case 'F': {
        text = trimmed(value);
        if (text.size() > f.length) tooLong();
        text.insert(0, f.length - text.size(), ' ');
        return text;
    }
    default:
        if (value.size() > f.length) tooLong();
        text = value;
        text.resize(f.length, ' ');
        return text;
    }
}

struct MemoFile {
    std::string bytes;
    std::uint32_t nextBlock = 1;
};

std::uint32_t appendMemo(MemoFile& memo, unsigned blockSize, const std::string& text) {
    if (text.size() > 0xFFFFFFFFull - 8) fail("memo text too long");
    const std::uint32_t block = memo.nextBlock;
    std::string entry(8, '\0');
    putBytes(entry, 0, std::string_view("\xFF\xFF\x08\x00", 4));
    putU32(entry, 4, static_cast<std::uint32_t>(text.size() + 8));
    entry += text;
    const std::size_t blocks = (entry.size() + blockSize - 1) / blockSize;
    if (blocks > 0xFFFFFFFFull - memo.nextBlock) fail("memo file too large");
    entry.resize(blocks * blockSize, '\0');
    memo.bytes += entry;
    memo.nextBlock += static_cast<std::uint32_t>(blocks);
    return block;
}

struct IndexEntry {
    std::string key;
    std::uint32_t record = 0;
};

// Orders keys as the tag stores them: character keys by bytes, numbers and dates by value.
int compareKeys(char type, const std::string& a, const std::string& b) {
    if (type == 'D') {
        double da = 0, db = 0;
        std::memcpy(&da, a.data(), 8);
        std::memcpy(&db, b.data(), 8);
        return da < db ? -1 : da > db ? 1 : 0;
    }
    if (type == 'N') {
        const auto decode = [](const std::string& key) {
            Decimal d;
            const auto byte1 = static_cast<unsigned char>(key[1]);
            const unsigned count = (byte1 >> 2) & 0x1F;
            for (unsigned i = 0; i < count; ++i) {
                const auto packed = static_cast<unsigned char>(key[2 + i / 2]);
                d.digits += static_cast<char>('0' + (i % 2 == 0 ? packed >> 4 : packed & 0x0F));
            }
            d.negative = (byte1 & 0x80) != 0;
            d.exponent = static_cast<unsigned char>(key[0]) - 0x34;
            return d;
        };
        return compareDecimal(decode(a), decode(b));
    }
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

class IndexBuilder {
public:
    IndexBuilder(unsigned blockSize) : m_blockSize(blockSize) {
        // The header and the tag table fill the first 2048 bytes.
        m_nextBlock = (2048 + blockSize - 1) / blockSize;
    }

    std::uint32_t allocate() {
        if (m_nextBlock >= 0xFFFFFFFFu / (m_blockSize / 512)) fail("index file too large");
        const std::uint32_t page = m_nextBlock * (m_blockSize / 512);
        ++m_nextBlock;
        m_bytes.resize(static_cast<std::size_t>(m_nextBlock) * m_blockSize, '\0');
        return page;
    }
    char* block(std::uint32_t page) {
        return m_bytes.data() + static_cast<std::size_t>(page) * 512;
    }
    std::string& bytes() { return m_bytes; }
    std::uint32_t pages() const { return m_nextBlock * (m_blockSize / 512); }

    // Writes the B-tree of one tag and returns its root page. Leaves are filled evenly;
    // interior nodes hold one more child pointer than keys, and each separator key is the
    // last key of the child before it.
    std::uint32_t writeTree(const std::vector<IndexEntry>& entries, TagLayout& layout) {
        const unsigned maxKeys = layout.maxKeysPerNode;
        struct Child {
            std::uint32_t page;
            std::string lastKey;
        };
        std::vector<Child> level;
        const std::size_t leaves =
            std::max<std::size_t>(1, (entries.size() + maxKeys - 1) / maxKeys);
        std::size_t next = 0;
        for (std::size_t n = 0; n < leaves; ++n) {
            const std::size_t count = (entries.size() - next) / (leaves - n);
            const std::uint32_t page = allocate();
            std::string node(m_blockSize, '\0');
            putU32(node, 0, static_cast<std::uint32_t>(count));
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t at = 8 + i * layout.itemLength;
                putU32(node, at, entries[next + i].record);
                putBytes(node, at + 4, entries[next + i].key);
            }
            std::memcpy(block(page), node.data(), m_blockSize);
            level.push_back({page, count ? entries[next + count - 1].key : std::string()});
            layout.leafPages.push_back(page);
            next += count;
        }
        layout.levels = 1;
        while (level.size() > 1) {
            std::vector<Child> up;
            const std::size_t nodes = (level.size() + maxKeys) / (maxKeys + 1);
            std::size_t first = 0;
            for (std::size_t n = 0; n < nodes; ++n) {
                const std::size_t children = (level.size() - first) / (nodes - n);
                const std::uint32_t page = allocate();
                std::string node(m_blockSize, '\0');
                putU32(node, 0, static_cast<std::uint32_t>(children - 1));
                for (std::size_t i = 0; i < children; ++i) {
                    const std::size_t at = 8 + i * layout.itemLength;
                    putU32(node, at, level[first + i].page);
                    if (i + 1 < children) putBytes(node, at + 4, level[first + i].lastKey);
                }
                std::memcpy(block(page), node.data(), m_blockSize);
                up.push_back({page, level[first + children - 1].lastKey});
                layout.interiorPages.push_back(page);
                first += children;
            }
            level = std::move(up);
            ++layout.levels;
        }
        return level.front().page;
    }

private:
    unsigned m_blockSize;
    std::uint32_t m_nextBlock = 0;
    std::string m_bytes;
};

void putDate(std::string& bytes, std::size_t offset, const Date& date) {
    if (date.year < 1900 || date.year > 2155 || date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > 31)
        fail("last update date out of range");
    bytes[offset] = static_cast<char>(date.year - 1900);
    bytes[offset + 1] = static_cast<char>(date.month);
    bytes[offset + 2] = static_cast<char>(date.day);
}

std::string buildIndex(std::string_view tableName, const std::vector<FieldDef>& fields,
                       const TableDef& def, std::vector<TagLayout>& layouts) {
    const TableOptions& options = def.options;
    const unsigned blockSize = options.indexBlockSize;
    if (blockSize == 0 || blockSize % 512 != 0 || blockSize > 63 * 512)
        fail("index block size must be a multiple of 512 up to 32256");
    if (def.tags.size() > 47) fail("an index holds at most 47 tags");
    if (options.maxKeysPerNode == 1) fail("B-tree nodes need room for at least 2 keys");

    IndexBuilder builder(blockSize);
    builder.bytes().resize(static_cast<std::size_t>((2048 + blockSize - 1) / blockSize) * blockSize,
                           '\0');
    std::vector<std::uint32_t> headerPages;
    std::set<std::string> names;
    for (const TagDef& tag : def.tags) {
        const std::string name = upper(tag.name);
        if (name.empty() || name.size() > 10)
            fail("tag name '" + name + "' needs 1 to 10 characters");
        if (!names.insert(name).second) fail("tag " + name + " appears twice");
        headerPages.push_back(builder.allocate());
    }

    for (std::size_t t = 0; t < def.tags.size(); ++t) {
        const TagDef& tag = def.tags[t];
        const KeyExpression expression(fields, tag.expression);
        TagLayout layout;
        layout.name = upper(tag.name);
        layout.headerPage = headerPages[t];
        layout.keyLength = expression.keyLength();
        layout.itemLength = 4 + (layout.keyLength + 3) / 4 * 4;
        const unsigned fit = (blockSize - 12) / layout.itemLength;
        layout.maxKeysPerNode =
            options.maxKeysPerNode ? std::min(options.maxKeysPerNode, fit) : fit;
        if (layout.maxKeysPerNode < 2) fail("tag " + layout.name + ": keys too long for the block");

        std::vector<IndexEntry> entries;
        entries.reserve(def.records.size());
        for (std::size_t r = 0; r < def.records.size(); ++r)
            entries.push_back({expression.key(def.records[r], static_cast<long>(r + 1),
                                              def.deleted.count(static_cast<long>(r + 1)) != 0),
                               static_cast<std::uint32_t>(r + 1)});
        const char type = expression.keyType();
        const int direction = tag.descending ? -1 : 1;
        // Equal keys keep record-number order in both directions.
        std::stable_sort(entries.begin(), entries.end(),
                         [&](const IndexEntry& a, const IndexEntry& b) {
                             return direction * compareKeys(type, a.key, b.key) < 0;
                         });
        if (tag.unique) {
            entries.erase(std::unique(entries.begin(), entries.end(),
                                      [&](const IndexEntry& a, const IndexEntry& b) {
                                          return compareKeys(type, a.key, b.key) == 0;
                                      }),
                          entries.end());
        }
        layout.keyCount = entries.size();
        layout.rootPage = builder.writeTree(entries, layout);

        // Tag header: root page, flags, key type, key length, keys per node, item length, the
        // unique mark and the expression text.
        std::string header(blockSize, '\0');
        putU32(header, 0, layout.rootPage);
        header[8] = static_cast<char>(0x10 | (tag.descending ? 0x08 : 0) | (tag.unique ? 0x40 : 0));
        header[9] = type;
        putU16(header, 12, static_cast<std::uint16_t>(layout.keyLength));
        putU16(header, 14, static_cast<std::uint16_t>(layout.maxKeysPerNode));
        putU16(header, 18, static_cast<std::uint16_t>(layout.itemLength));
        header[23] = static_cast<char>(tag.unique ? 0x40 : 0);
        putBytes(header, 24, tag.expression);
        header[245] = 1;
        header[246] = 1;
        std::memcpy(builder.block(layout.headerPage), header.data(), blockSize);
        layouts.push_back(std::move(layout));
    }

    std::string& mdx = builder.bytes();
    mdx[0] = 2;
    putDate(mdx, 1, options.lastUpdate);
    const std::string base = upper(tableName).substr(0, 16);
    putBytes(mdx, 4, base);
    putU16(mdx, 20, static_cast<std::uint16_t>(blockSize / 512));
    putU16(mdx, 22, static_cast<std::uint16_t>(blockSize));
    mdx[24] = 1;    // production index
    mdx[25] = 0x30; // tag table slots
    mdx[26] = 0x20; // bytes per slot
    putU16(mdx, 28, static_cast<std::uint16_t>(def.tags.size()));
    putU32(mdx, 32, builder.pages()); // next free page: the end of the file
    putDate(mdx, 44, options.lastUpdate);
    mdx[529] = 1;

    // Tag table at 544: header page, name, key type, and the threads of a binary tree of the
    // tag names (left, right, parent; slots count from 1) in creation order.
    for (std::size_t t = 0; t < layouts.size(); ++t) {
        const std::size_t at = 544 + 32 * t;
        putU32(mdx, at, layouts[t].headerPage);
        putBytes(mdx, at + 4, layouts[t].name);
        mdx[at + 15] = 0x10;
        mdx[at + 19] = 0x02;
        mdx[at + 20] = builder.block(layouts[t].headerPage)[9];
        if (t == 0) continue;
        std::size_t parent = 0;
        for (;;) {
            const std::size_t parentAt = 544 + 32 * parent;
            const std::size_t side = layouts[t].name < layouts[parent].name ? 16 : 17;
            if (mdx[parentAt + side] == 0) {
                mdx[parentAt + side] = static_cast<char>(t + 1);
                mdx[at + 18] = static_cast<char>(parent + 1);
                break;
            }
            parent = static_cast<unsigned char>(mdx[parentAt + side]) - 1u;
        }
    }
    return mdx;
}

} // namespace

TableFiles buildTable(std::string_view name, const TableDef& def) {
    const std::vector<FieldDef> fields = normalisedFields(def.fields);
    const TableOptions& options = def.options;
    if (fields.empty()) fail("a table needs at least one field");
    if (fields.size() > 255) fail("a table has at most 255 fields");
    if (def.records.size() > 0x7FFFFFFF) fail("too many records");

    TableFiles files;
    const std::size_t descriptors = fields.size() + (options.emptyDescriptorType ? 1 : 0);
    files.headerLength = static_cast<unsigned>(32 + 32 * descriptors + 1);
    unsigned recordLength = 1;
    bool hasMemo = false;
    for (const FieldDef& f : fields) {
        files.fieldOffsets.push_back(recordLength);
        recordLength += f.length;
        hasMemo = hasMemo || f.type == 'M';
    }
    if (recordLength > 65535) fail("records longer than 65535 bytes");
    files.recordLength = recordLength;

    if (options.memoBlockSize < 32 || options.memoBlockSize > 0x7FFF)
        fail("memo block size must lie between 32 and 32767");
    MemoFile memo;

    std::string& dbf = files.dbf;
    dbf.assign(files.headerLength, '\0');
    dbf.reserve(files.headerLength + def.records.size() * recordLength + 1);
    dbf[0] = static_cast<char>(options.version ? options.version : hasMemo ? 0x8B : 0x03);
    putDate(dbf, 1, options.lastUpdate);
    putU32(dbf, 4,
           static_cast<std::uint32_t>(options.recordCountOverride.value_or(
               static_cast<std::int32_t>(def.records.size()))));
    putU16(dbf, 8, static_cast<std::uint16_t>(files.headerLength));
    putU16(dbf, 10, static_cast<std::uint16_t>(recordLength));
    dbf[28] = options.productionIndexFlag.value_or(!def.tags.empty()) ? 1 : 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& f = fields[i];
        const std::size_t at = 32 + 32 * i;
        putBytes(dbf, at, f.name);
        dbf[at + 11] = f.type;
        if (f.type == 'C') {
            putU16(dbf, at + 16, static_cast<std::uint16_t>(f.length));
        } else {
            dbf[at + 16] = static_cast<char>(f.length);
            dbf[at + 17] = static_cast<char>(f.decimals);
        }
        // dBASE IV marks a field that a tag indexes by its name alone.
        for (const TagDef& tag : def.tags)
            if (upper(trimmed(tag.expression)) == f.name) dbf[at + 31] = 1;
    }
    if (options.emptyDescriptorType)
        dbf[32 + 32 * fields.size() + 11] = static_cast<char>(*options.emptyDescriptorType);
    dbf[files.headerLength - 1] = 0x0D;

    for (std::size_t r = 0; r < def.records.size(); ++r) {
        const std::vector<std::string>& record = def.records[r];
        if (record.size() != fields.size())
            fail("record " + std::to_string(r + 1) + " has " + std::to_string(record.size()) +
                 " values for " + std::to_string(fields.size()) + " fields");
        dbf += def.deleted.count(static_cast<long>(r + 1)) ? '*' : ' ';
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const FieldDef& f = fields[i];
            if (f.type == 'M') {
                std::string text;
                if (!record[i].empty())
                    text = std::to_string(appendMemo(memo, options.memoBlockSize, record[i]));
                text.insert(0, 10 - text.size(), ' ');
                dbf += text;
            } else {
                dbf += fieldText(f, record[i], r + 1);
            }
        }
    }
    for (long n : def.deleted)
        if (n < 1 || static_cast<std::size_t>(n) > def.records.size())
            fail("deleted record " + std::to_string(n) + " does not exist");
    if (options.endOfFileMarker) dbf += '\x1A';

    if (hasMemo) {
        // Header: next free block, the table's name, the block size at 20-21.
        std::string header(options.memoBlockSize, '\0');
        putU32(header, 0, memo.nextBlock);
        putBytes(header, 8, upper(name).substr(0, 8));
        header[18] = 2;
        header[19] = 1;
        putU16(header, 20, static_cast<std::uint16_t>(options.memoBlockSize));
        files.dbt = header + memo.bytes;
    }
    if (!def.tags.empty()) files.mdx = buildIndex(name, fields, def, files.tags);
    return files;
}

void writeFiles(const std::filesystem::path& dir, std::string_view name, const TableFiles& files) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) fail("cannot create " + dir.string() + ": " + error.message());
    const std::pair<const char*, const std::string*> parts[] = {
        {".DBF", &files.dbf}, {".MDX", &files.mdx}, {".DBT", &files.dbt}};
    for (const auto& [extension, bytes] : parts) {
        const std::filesystem::path path = dir / (std::string(name) + extension);
        if (bytes->empty()) {
            std::filesystem::remove(path, error);
            continue;
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
        out.close();
        if (!out) fail("cannot write " + path.string());
    }
}

TableFiles writeTable(const std::filesystem::path& dir, std::string_view name,
                      const TableDef& def) {
    TableFiles files = buildTable(name, def);
    writeFiles(dir, name, files);
    return files;
}

} // namespace dbase
