// Text views of values, number conversion, and the field calls.
#include "tables/data4.h"

#include "tables/error4.h"
#include "tables/key_expression.h"

#include <climits>
#include <cstring>

namespace {

// Reads like atol on at most 127 bytes: white space, an optional sign, decimal digits up to the
// first other character; no digits give 0. Saturates instead of overflowing.
long numberFromText(const char* text, unsigned length) {
    char buffer[128];
    const unsigned n = length < 127 ? length : 127;
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    const char* p = buffer;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    unsigned long magnitude = 0;
    const unsigned long limit = negative ? 0ul - static_cast<unsigned long>(LONG_MIN) : LONG_MAX;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const unsigned digit = unsigned(*p - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (!negative) return long(magnitude);
    return magnitude == limit ? LONG_MIN : -long(magnitude);
}

} // namespace

long str4toLong(const char* text, unsigned length) {
    return numberFromText(text, length);
}

Str4::operator int() {
    const char* text = ptr();
    if (!text) return error4report(nullptr, e4parmNull, l4str4int);
    const long value = numberFromText(text, len());
    return value > INT_MAX ? INT_MAX : (value < INT_MIN ? INT_MIN : int(value));
}

void Str4::trim() {
    const char* text = ptr();
    if (!text) {
        error4report(nullptr, e4parmNull, l4str4trim);
        return;
    }
    unsigned length = len();
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0'))
        --length;
    setLen(length);
}

void Str4::setLen(unsigned /*length*/) {}

Str4large::Str4large() {
    m_text[0] = '\0';
}

Str4large::Str4large(Str4& source) {
    const char* text = source.ptr();
    m_len = text ? (source.len() < 255 ? source.len() : 255) : 0;
    if (m_len) std::memcpy(m_text, text, m_len);
    m_text[m_len] = '\0';
}

void Str4large::setLen(unsigned length) {
    m_len = length < 255 ? length : 255;
    m_text[m_len] = '\0';
}

char* f4ptr(Field4* field) {
    if (!field) {
        error4report(nullptr, e4parmNull, l4f4ptr);
        return nullptr;
    }
    return field->ptr();
}

unsigned f4len(Field4* field) {
    if (!field) return unsigned(error4report(nullptr, e4parmNull, l4f4len));
    return field->length;
}

int f4decimals(Field4* field) {
    if (!field) return error4report(nullptr, e4parmNull, l4f4decimals);
    return field->decimals;
}

long f4long(Field4* field) {
    if (!field) return error4report(nullptr, e4parmNull, l4f4long);
    switch (field->type) {
    case 'L':
        error4report(field->data->code, e4parm, l4fieldFunction);
        return -1;
    case 'D': {
        if (field->length < 8) return 0;
        const std::string text(field->ptr(), 8);
        return date4long(text.c_str());
    }
    default:
        return numberFromText(field->ptr(), field->length);
    }
}

const char* f4name(Field4* field) {
    if (!field) {
        error4report(nullptr, e4parmNull, l4f4name);
        return nullptr;
    }
    return field->name.c_str();
}

char f4type(Field4* field) {
    if (!field) return char(error4report(nullptr, e4parmNull, l4f4type));
    return field->type;
}
