// Recursive-descent parser and evaluator of index key expressions.
#include "tables/key_expression.h"

#include "tables/data4.h"
#include "tables/error4.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned kMaxWidth = 65535;

bool identStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool identChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool isLeap(long y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(long y, long m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

double atofPrefix(const std::string& text) {
    // The number at the start of the text (blanks skipped); 0 when there is none.
    char buffer[128];
    const std::size_t n = std::min<std::size_t>(text.size(), sizeof(buffer) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    const double value = std::strtod(buffer, nullptr);
    return std::isfinite(value) ? value : 0.0;
}

// A number used as a day: days far outside any date (or not finite) are no day at all.
long dayNumber(double value) {
    return value > -1e9 && value < 1e9 ? long(value) : 0;
}

// A logical value: true for T, t, Y and y.
bool truth(const ExprValue& value) {
    if (value.text.empty()) return false;
    const char c = value.text[0];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

// Characters compare over the length of the right value, the left one blank-padded when shorter:
// "ABCD" = "AB" holds, as comparisons in key and filter expressions match prefixes.
int compareText(const std::string& left, const std::string& right) {
    for (std::size_t i = 0; i < right.size(); ++i) {
        const auto l = static_cast<unsigned char>(i < left.size() ? left[i] : ' ');
        const auto r = static_cast<unsigned char>(right[i]);
        if (l != r) return l < r ? -1 : 1;
    }
    return 0;
}

enum Relation { kEqual, kNotEqual, kLess, kLessEqual, kGreater, kGreaterEqual };

// Whether a relation holds for a comparison result (< 0, 0, > 0).
bool holds(int relation, int order) {
    switch (relation) {
    case kEqual:
        return order == 0;
    case kNotEqual:
        return order != 0;
    case kLess:
        return order < 0;
    case kLessEqual:
        return order <= 0;
    case kGreater:
        return order > 0;
    default:
        return order >= 0;
    }
}

} // namespace

long date4long(const char* text) {
    long parts[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    int pos = 0;
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < widths[p]; ++i, ++pos) {
            const char c = text[pos];
            if (c < '0' || c > '9') return 0;
            parts[p] = parts[p] * 10 + (c - '0');
        }
    }
    const long y = parts[0], m = parts[1], d = parts[2];
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return 0;
    const long a = (14 - m) / 12;
    const long yy = y + 4800 - a;
    const long mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

long date4ctod(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    long parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    for (int p = 0; p < 3; ++p) {
        if (p > 0) {
            if (pos >= text.size() || text[pos] == ' ' ||
                std::isdigit(static_cast<unsigned char>(text[pos])))
                return 0;
            ++pos;
        }
        while (pos < text.size() && digits[p] < 4 &&
               std::isdigit(static_cast<unsigned char>(text[pos]))) {
            parts[p] = parts[p] * 10 + (text[pos++] - '0');
            ++digits[p];
        }
    }
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (pos != text.size() || digits[0] < 1 || digits[0] > 2 || digits[1] < 1 || digits[1] > 2 ||
        (digits[2] != 2 && digits[2] != 4))
        return 0;
    const long year = digits[2] == 2 ? 1900 + parts[2] : parts[2];
    char yyyymmdd[32];
    std::snprintf(yyyymmdd, sizeof(yyyymmdd), "%04ld%02ld%02ld", year, parts[0], parts[1]);
    return date4long(yyyymmdd);
}

std::string date4text(long julian) {
    // Day numbers of 0001-01-01 and 9999-12-31.
    if (julian < 1721426 || julian > 5373484) return std::string(8, ' ');
    const long a = julian + 32044;
    const long b = (4 * a + 3) / 146097;
    const long c = a - 146097 * b / 4;
    const long d = (4 * c + 3) / 1461;
    const long e = c - 1461 * d / 4;
    const long m = (5 * e + 2) / 153;
    const long day = e - (153 * m + 2) / 5 + 1;
    const long month = m + 3 - 12 * (m / 10);
    const long year = 100 * b + d - 4800 + m / 10;
    char out[48];
    std::snprintf(out, sizeof(out), "%04ld%02ld%02ld", year, month, day);
    return std::string(out, 8);
}

unsigned KeyExpression::keyLength() const {
    switch (type()) {
    case ExprType::Numeric:
        return 12;
    case ExprType::Date:
        return 8;
    default:
        return length();
    }
}

// Grammar, loosest binding first:
//   expr      := conjunct { '.OR.' conjunct }
//   conjunct  := negation { '.AND.' negation }
//   negation  := '.NOT.' negation | relation
//   relation  := sum [ ('=' | '<>' | '#' | '<' | '<=' | '>' | '>=') sum ]
//   sum       := operand { ('+' | '-') operand }
//   operand   := '(' expr ')' | string | number | '.T.' | '.F.' | name [ '->' name ]
//              | name '(' args ')'
class KeyExpression::Parser {
public:
    Parser(KeyExpression& out, std::string_view source, const Data4& data)
        : m_out(out), m_src(source), m_data(data) {}

    int run(int& root) {
        skipBlanks();
        if (m_pos >= m_src.size()) return e4complete;
        int rc = expression(root);
        if (rc != 0) return rc;
        skipBlanks();
        if (m_pos < m_src.size()) return m_src[m_pos] == ')' ? e4rightMissing : e4unrecOperator;
        return 0;
    }

private:
    static constexpr int kMaxDepth = 64;

    void skipBlanks() {
        while (m_pos < m_src.size() && (m_src[m_pos] == ' ' || m_src[m_pos] == '\t'))
            ++m_pos;
    }
    bool take(char c) {
        skipBlanks();
        if (m_pos < m_src.size() && m_src[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    // A dotted word such as .AND. (any case) at the current position.
    bool takeWord(std::string_view word) {
        skipBlanks();
        const std::size_t end = m_pos + word.size() + 2;
        if (end > m_src.size() || m_src[m_pos] != '.' || m_src[end - 1] != '.') return false;
        for (std::size_t i = 0; i < word.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(m_src[m_pos + 1 + i])) != word[i])
                return false;
        m_pos = end;
        return true;
    }
    bool takeRelation(int& relation) {
        skipBlanks();
        const std::string_view rest = m_src.substr(m_pos);
        static constexpr struct {
            const char* text;
            Relation relation;
        } kRelations[] = {{"<>", kNotEqual}, {"<=", kLessEqual}, {">=", kGreaterEqual},
                          {"=", kEqual},     {"#", kNotEqual},   {"<", kLess},
                          {">", kGreater}};
        for (const auto& r : kRelations) {
            if (rest.substr(0, std::strlen(r.text)) != r.text) continue;
            m_pos += std::strlen(r.text);
            relation = r.relation;
            return true;
        }
        return false;
    }
    int add(Node node) {
        m_out.m_nodes.push_back(std::move(node));
        return int(m_out.m_nodes.size() - 1);
    }
    Node& node(int i) { return m_out.m_nodes[std::size_t(i)]; }

    int expression(int& result) {
        if (++m_depth > kMaxDepth) return e4overflow;
        int rc = conjunct(result);
        while (rc == 0 && takeWord("OR")) {
            int right = -1;
            rc = conjunct(right);
            if (rc == 0) rc = logical(Op::Or, result, right);
        }
        --m_depth;
        return rc;
    }

    int conjunct(int& result) {
        int rc = negation(result);
        while (rc == 0 && takeWord("AND")) {
            int right = -1;
            rc = negation(right);
            if (rc == 0) rc = logical(Op::And, result, right);
        }
        return rc;
    }

    int negation(int& result) {
        if (!takeWord("NOT")) return relation(result);
        if (++m_depth > kMaxDepth) return e4overflow;
        int operand = -1;
        int rc = negation(operand);
        --m_depth;
        if (rc == 0) rc = logical(Op::Not, operand, -1);
        result = operand;
        return rc;
    }

    // Joins logical operands (right is -1 for .NOT.) into left.
    int logical(Op op, int& left, int right) {
        if (node(left).type != ExprType::Logical ||
            (right >= 0 && node(right).type != ExprType::Logical))
            return e4typeSub;
        Node n;
        n.op = op;
        n.type = ExprType::Logical;
        n.length = 1;
        n.a = left;
        n.b = right;
        left = add(std::move(n));
        return 0;
    }

    int relation(int& result) {
        int rc = sum(result);
        int relation = kEqual;
        if (rc != 0 || !takeRelation(relation)) return rc;
        int right = -1;
        rc = sum(right);
        if (rc != 0) return rc;
        const ExprType type = node(result).type;
        if (type != node(right).type || type == ExprType::Logical) return e4typeSub;
        Node n;
        n.op = Op::Compare;
        n.type = ExprType::Logical;
        n.length = 1;
        n.a = result;
        n.b = right;
        n.p1 = relation;
        result = add(std::move(n));
        return 0;
    }

    int sum(int& result) {
        int rc = operand(result);
        while (rc == 0) {
            skipBlanks();
            if (m_pos >= m_src.size()) break;
            const char c = m_src[m_pos];
            if (c != '+' && c != '-') break;
            if (c == '-' && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == '>') break;
            ++m_pos;
            int right = -1;
            rc = operand(right);
            if (rc != 0) break;
            rc = combine(c, result, right);
        }
        return rc;
    }

    int combine(char op, int& left, int right) {
        const Node l = node(left);
        const Node r = node(right);
        Node n;
        n.a = left;
        n.b = right;
        if (l.type == ExprType::Character && r.type == ExprType::Character) {
            n.op = op == '+' ? Op::Concat : Op::ConcatTrim;
            n.type = ExprType::Character;
            if (std::size_t(l.length) + r.length > kMaxWidth) return e4overflow;
            n.length = l.length + r.length;
        } else if (l.type == ExprType::Numeric && r.type == ExprType::Numeric) {
            n.op = op == '+' ? Op::Add : Op::Subtract;
            n.type = ExprType::Numeric;
        } else if (l.type == ExprType::Date && r.type == ExprType::Numeric) {
            n.op = op == '+' ? Op::Add : Op::Subtract;
            n.type = ExprType::Date;
        } else if (op == '-' && l.type == ExprType::Date && r.type == ExprType::Date) {
            n.op = Op::Subtract;
            n.type = ExprType::Numeric;
        } else {
            return e4typeSub;
        }
        left = add(std::move(n));
        return 0;
    }

    int operand(int& result) {
        skipBlanks();
        if (m_pos >= m_src.size()) return e4complete;
        const char c = m_src[m_pos];
        if (c == '(') {
            ++m_pos;
            int rc = expression(result);
            if (rc != 0) return rc;
            return take(')') ? 0 : e4rightMissing;
        }
        if (c == '"' || c == '\'') {
            const std::size_t end = m_src.find(c, m_pos + 1);
            if (end == std::string_view::npos) return e4unterminated;
            Node n;
            n.op = Op::Text;
            n.text = std::string(m_src.substr(m_pos + 1, end - m_pos - 1));
            n.length = unsigned(n.text.size());
            m_pos = end + 1;
            result = add(std::move(n));
            return 0;
        }
        if (c == '.' && m_pos + 1 < m_src.size() && identStart(m_src[m_pos + 1])) {
            // .T. and .F.; a dotted operator cannot stand here.
            const bool value = takeWord("T");
            if (!value && !takeWord("F")) return e4unrecOperator;
            Node n;
            n.op = Op::Text;
            n.type = ExprType::Logical;
            n.text = value ? "T" : "F";
            n.length = 1;
            result = add(std::move(n));
            return 0;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            // A point followed by a letter starts an operator: 1.AND. is 1 .AND.
            const std::size_t start = m_pos;
            while (m_pos < m_src.size() &&
                   (std::isdigit(static_cast<unsigned char>(m_src[m_pos])) ||
                    (m_src[m_pos] == '.' &&
                     !(m_pos + 1 < m_src.size() && identStart(m_src[m_pos + 1])))))
                ++m_pos;
            Node n;
            n.op = Op::Number;
            n.type = ExprType::Numeric;
            n.number = atofPrefix(std::string(m_src.substr(start, m_pos - start)));
            result = add(std::move(n));
            return 0;
        }
        if (!identStart(c)) return (c == ')' || c == ',') ? e4complete : e4unrecOperator;
        std::string name = readName();
        skipBlanks();
        if (m_pos < m_src.size() && m_src[m_pos] == '(') {
            ++m_pos;
            return function(name, result);
        }
        if (m_pos + 1 < m_src.size() && m_src[m_pos] == '-' && m_src[m_pos + 1] == '>') {
            m_pos += 2;
            if (name != m_data.alias) return e4dataName;
            skipBlanks();
            if (m_pos >= m_src.size() || !identStart(m_src[m_pos])) return e4complete;
            name = readName();
        }
        return fieldOperand(name, result);
    }

    std::string readName() {
        std::string name;
        while (m_pos < m_src.size() && identChar(m_src[m_pos]))
            name += char(std::toupper(static_cast<unsigned char>(m_src[m_pos++])));
        return name;
    }

    int fieldOperand(const std::string& name, int& result) {
        for (const auto& field : m_data.fields) {
            if (field->name != name) continue;
            Node n;
            n.op = Op::Field;
            n.field = field.get();
            n.length = field->length;
            switch (field->type) {
            case 'C':
                n.type = ExprType::Character;
                break;
            case 'N':
            case 'F':
                n.type = ExprType::Numeric;
                break;
            case 'D':
                n.type = ExprType::Date;
                break;
            case 'L':
                n.type = ExprType::Logical;
                break;
            default: // memo and binary fields have no key value
                return e4typeSub;
            }
            result = add(std::move(n));
            return 0;
        }
        return e4unrecValue;
    }

    // Arguments up to the closing bracket.
    int arguments(std::vector<int>& args) {
        if (take(')')) return 0;
        for (;;) {
            int arg = -1;
            int rc = expression(arg);
            if (rc != 0) return rc;
            args.push_back(arg);
            if (take(')')) return 0;
            if (take(',')) continue;
            skipBlanks();
            return m_pos >= m_src.size() ? e4rightMissing : e4commaExpected;
        }
    }

    bool constant(int arg, int& value) {
        const Node& n = node(arg);
        if (n.op != Op::Number) return false;
        value = n.number > 65535 ? 65536 : int(n.number);
        return true;
    }

    int function(const std::string& name, int& result) {
        struct Known {
            const char* name;
            Op op;
            std::size_t minArgs, maxArgs;
        };
        static constexpr Known kFunctions[] = {
            {"UPPER", Op::Upper, 1, 1},   {"TRIM", Op::Trim, 1, 1},
            {"RTRIM", Op::Trim, 1, 1},    {"LTRIM", Op::Ltrim, 1, 1},
            {"STR", Op::Str, 1, 3},       {"VAL", Op::Val, 1, 1},
            {"SUBSTR", Op::Substr, 2, 3}, {"LEFT", Op::Substr, 2, 2},
            {"RIGHT", Op::Right, 2, 2},   {"DTOS", Op::Dtos, 1, 1},
            {"DTOC", Op::Dtoc, 1, 1},     {"CTOD", Op::Ctod, 1, 1},
            {"IIF", Op::Iif, 3, 3},       {"DELETED", Op::Deleted, 0, 0},
            {"RECNO", Op::Recno, 0, 0},   {"DESCEND", Op::Descend, 1, 1},
        };
        const Known* known = nullptr;
        for (const Known& k : kFunctions)
            if (name == k.name) known = &k;
        if (!known) return e4unrecFunction;
        std::vector<int> args;
        int rc = arguments(args);
        if (rc != 0) return rc;
        if (args.size() < known->minArgs || args.size() > known->maxArgs) return e4numParms;
        Node n;
        n.op = known->op;
        if (args.empty()) {
            n.type = known->op == Op::Deleted ? ExprType::Logical : ExprType::Numeric;
            n.length = known->op == Op::Deleted ? 1 : 0;
            result = add(std::move(n));
            return 0;
        }
        n.a = args[0];
        const Node a = node(args[0]);
        switch (known->op) {
        case Op::Upper:
        case Op::Trim:
        case Op::Ltrim:
            if (a.type != ExprType::Character) return e4typeSub;
            n.type = ExprType::Character;
            n.length = a.length;
            break;
        case Op::Val:
            if (a.type != ExprType::Character) return e4typeSub;
            n.type = ExprType::Numeric;
            break;
        case Op::Dtos:
        case Op::Dtoc:
            if (a.type != ExprType::Date) return e4typeSub;
            n.type = ExprType::Character;
            n.length = 8;
            break;
        case Op::Ctod:
            if (a.type != ExprType::Character) return e4typeSub;
            n.type = ExprType::Date;
            break;
        case Op::Str:
            if (a.type != ExprType::Numeric) return e4typeSub;
            n.p1 = 10;
            n.p2 = 0;
            if (args.size() > 1 && !constant(args[1], n.p1)) return e4notConstant;
            if (args.size() > 2 && !constant(args[2], n.p2)) return e4notConstant;
            if (n.p1 < 1 || n.p1 > 255 || n.p2 < 0 || n.p2 >= n.p1) return e4overflow;
            n.type = ExprType::Character;
            n.length = unsigned(n.p1);
            break;
        case Op::Substr: {
            // LEFT(c, n) is SUBSTR(c, 1, n).
            if (a.type != ExprType::Character) return e4typeSub;
            const bool left = name == "LEFT";
            n.p1 = 1;
            if (!left && !constant(args[1], n.p1)) return e4notConstant;
            if (n.p1 < 1) n.p1 = 1;
            const int available = int(a.length) - n.p1 + 1;
            n.p2 = available;
            const std::size_t lengthArg = left ? 1 : 2;
            if (args.size() > lengthArg && !constant(args[lengthArg], n.p2)) return e4notConstant;
            if (n.p2 > available) n.p2 = available;
            if (n.p2 < 1) return e4overflow;
            n.type = ExprType::Character;
            n.length = unsigned(n.p2);
            break;
        }
        case Op::Right:
            if (a.type != ExprType::Character) return e4typeSub;
            if (!constant(args[1], n.p2)) return e4notConstant;
            if (n.p2 > int(a.length)) n.p2 = int(a.length);
            if (n.p2 < 1) return e4overflow;
            n.type = ExprType::Character;
            n.length = unsigned(n.p2);
            break;
        case Op::Iif: {
            // Both branches give the key, so they need one type and, for characters, one width.
            const Node& yes = node(args[1]);
            const Node& no = node(args[2]);
            if (a.type != ExprType::Logical || yes.type != no.type) return e4typeSub;
            if (yes.type != ExprType::Numeric && yes.type != ExprType::Date &&
                yes.length != no.length)
                return e4iifLength;
            n.b = args[1];
            n.c = args[2];
            n.type = yes.type;
            n.length = yes.length;
            break;
        }
        case Op::Descend:
            // A complemented logical byte is no longer a truth value, only a key byte.
            n.type = a.type == ExprType::Logical ? ExprType::Character : a.type;
            n.length = a.length;
            break;
        default:
            return e4unrecFunction;
        }
        result = add(std::move(n));
        return 0;
    }

    KeyExpression& m_out;
    std::string_view m_src;
    const Data4& m_data;
    std::size_t m_pos = 0;
    int m_depth = 0;
};

int KeyExpression::parse(std::string_view source, const Data4& data) {
    m_nodes.clear();
    m_root = -1;
    m_data = nullptr;
    Parser parser(*this, source, data);
    int root = -1;
    const int rc = parser.run(root);
    if (rc != 0) {
        m_nodes.clear();
        return rc;
    }
    m_root = root;
    m_data = &data;
    return 0;
}

// Character values keep their own length inside the expression (TRIM(A) + B puts B right after
// the last character of A); the key is blank-padded to the expression's width at the end.
ExprValue KeyExpression::evaluate() const {
    if (m_root < 0) return {};
    ExprValue value = eval(m_root);
    if (value.type == ExprType::Character || value.type == ExprType::Logical)
        value.text.resize(length(), ' ');
    return value;
}

ExprValue KeyExpression::eval(int index) const {
    const Node& n = m_nodes[std::size_t(index)];
    ExprValue out;
    out.type = n.type;
    switch (n.op) {
    case Op::Field: {
        Field4* field = const_cast<Field4*>(n.field);
        const std::string text(field->ptr(), field->length);
        if (n.type == ExprType::Numeric)
            out.number = atofPrefix(text);
        else if (n.type == ExprType::Date)
            out.number = text.size() >= 8 ? double(date4long(text.c_str())) : 0.0;
        else
            out.text = text;
        break;
    }
    case Op::Text:
        out.text = n.text;
        break;
    case Op::Number:
        out.number = n.number;
        break;
    case Op::Concat:
        out.text = eval(n.a).text + eval(n.b).text;
        break;
    case Op::ConcatTrim: {
        // The left value's trailing blanks move to the end.
        const std::string left = eval(n.a).text;
        const std::string right = eval(n.b).text;
        const std::size_t kept = left.find_last_not_of(' ') + 1;
        out.text = left.substr(0, kept) + right;
        out.text.resize(left.size() + right.size(), ' ');
        break;
    }
    case Op::Add:
        out.number = eval(n.a).number + eval(n.b).number;
        break;
    case Op::Subtract:
        out.number = eval(n.a).number - eval(n.b).number;
        break;
    case Op::Upper:
        out.text = eval(n.a).text;
        for (char& c : out.text)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        break;
    case Op::Trim: {
        out.text = eval(n.a).text;
        const std::size_t kept = out.text.find_last_not_of(' ') + 1;
        out.text.resize(kept);
        break;
    }
    case Op::Ltrim: {
        const std::string text = eval(n.a).text;
        const std::size_t first = text.find_first_not_of(' ');
        out.text = first == std::string::npos ? std::string() : text.substr(first);
        break;
    }
    case Op::Str: {
        const double value = eval(n.a).number;
        char buffer[320];
        const int written = std::snprintf(buffer, sizeof(buffer), "%*.*f", n.p1, n.p2, value);
        if (written < 0 || written > n.p1)
            out.text.assign(std::size_t(n.p1), '*');
        else
            out.text.assign(buffer, std::size_t(written));
        break;
    }
    case Op::Val:
        out.number = atofPrefix(eval(n.a).text);
        break;
    case Op::Substr: {
        const std::string text = eval(n.a).text;
        const std::size_t start = std::size_t(n.p1 - 1);
        out.text = start < text.size() ? text.substr(start, std::size_t(n.p2)) : std::string();
        break;
    }
    case Op::Dtos:
        out.text = date4text(dayNumber(eval(n.a).number));
        break;
    case Op::Dtoc: {
        const std::string s = date4text(dayNumber(eval(n.a).number));
        out.text = s[0] == ' ' ? std::string(8, ' ')
                               : s.substr(4, 2) + "/" + s.substr(6, 2) + "/" + s.substr(2, 2);
        break;
    }
    case Op::Right: {
        const std::string text = eval(n.a).text;
        const std::size_t width = n.length;
        out.text = text.size() > width ? text.substr(text.size() - width) : text;
        break;
    }
    case Op::Iif:
        out = eval(truth(eval(n.a)) ? n.b : n.c);
        break;
    case Op::Ctod:
        out.number = double(date4ctod(eval(n.a).text));
        break;
    case Op::Deleted:
        out.text = !m_data->record.empty() && m_data->record[0] == '*' ? "T" : "F";
        break;
    case Op::Recno:
        out.number = double(m_data->recNo);
        break;
    case Op::Descend:
        out = eval(n.a);
        out.type = n.type;
        if (n.type == ExprType::Character) {
            // Complemented at full width, so that shorter values sort after longer ones.
            out.text.resize(n.length, ' ');
            for (char& c : out.text)
                c = char(~static_cast<unsigned char>(c));
        } else {
            out.number = -out.number;
        }
        break;
    case Op::Compare: {
        const ExprValue l = eval(n.a), r = eval(n.b);
        const int order = l.type == ExprType::Character
                              ? compareText(l.text, r.text)
                              : (l.number < r.number ? -1 : (l.number > r.number ? 1 : 0));
        out.text = holds(n.p1, order) ? "T" : "F";
        break;
    }
    case Op::And:
        out.text = truth(eval(n.a)) && truth(eval(n.b)) ? "T" : "F";
        break;
    case Op::Or:
        out.text = truth(eval(n.a)) || truth(eval(n.b)) ? "T" : "F";
        break;
    case Op::Not:
        out.text = truth(eval(n.a)) ? "F" : "T";
        break;
    }
    return out;
}
