// The code-to-message table, the location groups, the box layout and the reporting routine.
#include "tables/error4.h"

#include "platform/core/message_box.h"
#include "platform/core/oem_charset.h"
#include "tables/table_layer.h"

#include <climits>
#include <cstring>

namespace {

struct ErrorEntry {
    int code;
    const char* text;
};

// Searched linearly in this order; the zero code ends it.
constexpr ErrorEntry kErrors[] = {
    {-10, "Closing File"},
    {-20, "Creating File"},
    {-30, "Determining File Length"},
    {-40, "Setting File Length"},
    {-50, "Locking File"},
    {-60, "Opening File"},
    {-61, "Permission Error Opening File"},
    {-62, "Access Error Opening File"},
    {-63, "File Handle Count Overflow Error Opening File"},
    {-64, "File Find Error Opening File"},
    {-69, "Duplicate Instance Found Error Opening File"},
    {-70, "Reading File"},
    {-80, "Removing File"},
    {-90, "Renaming File"},
    {-250, "Seeking to File Position"},
    {-110, "Unlocking File"},
    {-120, "Writing to File"},
    {-1430, "Authorization Error (access denied)"},
    {-200, "File is not a Data File"},
    {-210, "Unrecognized Field Name"},
    {-220, "Unrecognized Field Type"},
    {-230, "Record Length is too Large"},
    {-240, "Record Append Attempt Past End of File"},
    {-300, "Tag Entry Missing"},
    {-310, "Not a Correct Index File"},
    {-330, "Tag Name not Found"},
    {-340, "Unique Key Error"},
    {-350, "Tag Information Invalid"},
    {-400, "Comma or Bracket Expected"},
    {-410, "Expression not Complete"},
    {-420, "Data File Name not Located"},
    {-422, "IIF() Needs Parameters of Same Length"},
    {-425, "SUBSTR() and STR() need Constant Parameters"},
    {-430, "Number of Parameters is Wrong"},
    {-440, "Overflow while Evaluating Expression"},
    {-450, "Right Bracket Missing"},
    {-460, "Sub-expression Type is Wrong"},
    {-470, "Unrecognized Function"},
    {-480, "Unrecognized Operator"},
    {-490, "Unrecognized Value"},
    {-500, "Unterminated String"},
    {-510, "Expression Invalid for Tag"},
    {-610, "Optimization Error"},
    {-620, "Optimization Removal Failure"},
    {-630, "Optimization File Flushing Failure"},
    {-710, "Matching Slave Record Not Located"},
    {-720, "Relation Error"},
    {-730, "Relation Referred to Does Not Exist or is Not Initialized"},
    {-810, "Report Error"},
    {-811, "Error Creating Style"},
    {-812, "Error Selecting Style"},
    {-813, "Error Finding Style"},
    {-814, "Error Creating Area"},
    {-815, "Error Creating Group"},
    {-816, "Error Setting Group Reset-Expression"},
    {-817, "Error Creating Total"},
    {-818, "Error Creating Object"},
    {-819, "Error In Windows Output"},
    {-820, "Error In Report Output"},
    {-821, "Error Saving Report"},
    {-822, "Error Retrieving Report"},
    {-823, "Error In Sending Report to Data File"},
    {-910, "Unexpected Information"},
    {-920, "Out of Memory"},
    {-930, "Unexpected Parameter"},
    {-935, "Null Input Parameter unexpected"},
    {-950, "Unexpected Result"},
    {-960, "Structure Verification Failure"},
    {-1010, "Function unsupported: library compiled with S4OFF_INDEX"},
    {-1020, "Function unsupported: library compiled with S4OFF_MEMO"},
    {-1030, "Function unsupported: library compiled with S4NO_RENAME"},
    {-1040, "Function unsupported: library compiled with S4OFF_WRITE"},
    {-1050, "Function unsupported: library not compiled with S4CLIPPER"},
    {-1060, "Function unsupported: library not compiled with S4LOCK_HOOK"},
    {-1090, "Function unsupported"},
    {-1095, "Application/Library version mismatch"},
    {-1110, "Memo File Corrupt"},
    {-1120, "Error Creating Memo File"},
    {-1400, "Table Layer Capabilities Exceeded (system maxed out)"},
    {-1200, "Transaction Violation Error"},
    {-1210, "Transaction Error"},
    {-1220, "Transaction Rollback Failure"},
    {-1230, "Transaction Commit Failure"},
    {-1410, "Table Layer in an Unacknowledged Error State"},
    {-1420, "Name not Found error"},
    {-1300, "Communication Information Corrupt"},
    {-1310, "Connection Failure"},
    {-1320, "Socket Failure"},
    {-1330, "Network Failure"},
    {-1340, "Failure Loading Communication DLL"},
    {-1350, "Network Timed Out"},
    {-1360, "Communication Message Corrupt"},
    {-1370, "Communication Packet Length Mismatch"},
    {-1380, "Communication Packet Corrupt"},
    {-2100, "Server Failure"},
    {-2110, "Server Configuration Failure"},
    {-1240, "Error Appending Information to Log File"},
    {-2120, "Catalog Failure"},
    {-970, "Data Structure Corrupt or not Initialized"},
    {0, nullptr},
};

constexpr const char* kUnknown = "Invalid or Unknown Error Code";

struct Location {
    long number;
    const char* text;
};

// Group 6: the text-view and handle classes.
constexpr Location kGroup6[] = {
    {61003, "Str4::operator int"},
    {61035, "Str4::trim"},
};

// Group 8: descriptions of faults.
constexpr Location kGroup8[] = {
    {80501, "invalid field type"},
    {81409, "field function not supported for given field type"},
    {81716, "index file verification checks failed"},
    {83805, "database corruption detected"},
    {84306, "data file shorter than required header length (corrupt or invalid)"},
    {84901, "expression length doesn't match tag length"},
};

// Group 9: library operations.
constexpr Location kGroup9[] = {
    {90101, "d4alias"},        {90510, "f4decimals"},
    {90511, "f4len"},          {90517, "f4long"},
    {90522, "f4memoLen"},      {90524, "f4memoPtr"},
    {90525, "f4memoRead"},     {90529, "f4memoStr"},
    {90530, "f4name"},         {90532, "f4ptr"},
    {90534, "f4type"},         {90615, "file4open"},
    {90621, "file4readError"}, {91001, "code4init"},
    {91003, "code4initUndo"},  {91102, "dfile4...()"},
    {91302, "d4close"},        {91706, "i4open"},
    {91707, "index4open"},     {92401, "d4tag"},
    {92402, "d4numTags"},      {92403, "d4tagJ"},
    {92409, "d4tagSelect"},    {92501, "t4info"},
    {92903, "d4seekN"},        {92905, "d4seekNextN"},
    {92907, "d4seek"},         {92908, "d4seekNext"},
    {93101, "d4go"},           {93103, "d4goEof"},
    {93301, "d4recCount"},     {93318, "d4recCountLessEq"},
    {93401, "d4recNo"},        {94001, "d4field"},
    {94002, "d4numFields"},    {94003, "d4fieldNumber"},
    {94004, "d4fieldJ"},       {94101, "d4changed"},
    {94301, "d4open"},         {94509, "u4nameCurrent"},
    {95210, "memo4fileRead"},  {96302, "code4dateFormatSet"},
};

template <std::size_t N> const char* findLocation(const Location (&group)[N], long number) {
    for (const Location& entry : group)
        if (entry.number == number) return entry.text;
    return nullptr;
}

// Writes value right-aligned into width characters: leading zeros become blanks (the last digit
// stays), a minus sign takes the blank before the first digit, and a value that does not fit
// fills the field with '*'.
void putNumber(char* field, int width, long value) {
    const bool negative = value < 0;
    unsigned long magnitude =
        negative ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    const int needed = count + (negative ? 1 : 0);
    if (needed > width) {
        std::memset(field, '*', std::size_t(width));
        return;
    }
    std::memset(field, ' ', std::size_t(width));
    for (int i = 0; i < count; ++i)
        field[width - 1 - i] = digits[i];
    if (negative) field[width - 1 - count] = '-';
}

void defaultExit(const char* text) {
    FatalAppExitA(0, text);
}

Error4ExitHandler& exitHandler() {
    static Error4ExitHandler handler = &defaultExit;
    return handler;
}

[[noreturn]] void exitProcess(Code4* code) {
    if (code) code4initUndo(code);
    exitHandler()("EXITING APPLICATION");
    // A handler that returns is not allowed to keep the process alive.
    FatalAppExitA(0, "EXITING APPLICATION");
}

} // namespace

const char* error4text(int code) {
    for (const ErrorEntry* entry = kErrors; entry->code != 0; ++entry)
        if (entry->code == code) return entry->text;
    return kUnknown;
}

int error4tableSize() {
    return int(sizeof(kErrors) / sizeof(kErrors[0]));
}

const char* error4locationText(long location) {
    if (location < 0) return location >= INT_MIN ? error4text(int(location)) : kUnknown;
    switch (location / 10000) {
    case 6:
        return findLocation(kGroup6, location);
    case 8:
        return findLocation(kGroup8, location);
    case 9:
        return findLocation(kGroup9, location);
    default:
        return nullptr;
    }
}

std::string error4boxText(int code, long location, const char* text1, const char* text2,
                          const char* text3) {
    constexpr std::size_t kSize = 256;
    char buffer[kSize];
    std::memset(buffer, ' ', kSize);
    std::size_t length = 0;
    auto append = [&](const char* text) {
        const std::size_t n = std::strlen(text);
        std::memcpy(buffer + length, text, n);
        length += n;
        buffer[length++] = '\r';
        buffer[length++] = '\n';
    };
    if (code != 0) {
        const char* locationText = error4locationText(location);
        long shownLocation = location;
        if (!locationText) {
            shownLocation = 0;
            locationText = kUnknown;
        }
        // "Error #: " + code in 5 + blanks to column 31, CR LF; "Error #: " + location in 6 +
        // blank.
        std::memcpy(buffer, "Error #: ", 9);
        putNumber(buffer + 9, 5, code);
        buffer[31] = '\r';
        buffer[32] = '\n';
        std::memcpy(buffer + 33, "Error #: ", 9);
        putNumber(buffer + 42, 6, shownLocation);
        buffer[49] = '\r';
        buffer[50] = '\n';
        length = 51;
        append(error4text(code));
        append(locationText);
    }
    for (const char* text : {text1, text2, text3}) {
        if (!text) break;
        if (length + std::strlen(text) + 3 > kSize) break;
        append(text);
    }
    return std::string(buffer, length);
}

bool error4isFatal(int code) {
    switch (code) {
    case -970:
    case -950:
    case -935:
    case -930:
    case -920:
    case -910:
        return true;
    default:
        return false;
    }
}

int error4report(Code4* code, int errorCode, long location) {
    return error4report(code, errorCode, location, nullptr);
}

int error4report(Code4* code, int errorCode, long location, const char* text1, const char* text2,
                 const char* text3) {
    if (!code || !code->silentErrors) {
        std::string text = error4boxText(errorCode, location, text1, text2, text3);
        OemToCharA(text.c_str(), text.data());
        UINT type = MB_OK | MB_ICONSTOP;
        if (errorCode == e4memory) type |= MB_SYSTEMMODAL;
        if (MessageBoxA(nullptr, text.c_str(), "TABLE LAYER ERROR", type) == 0)
            FatalAppExitA(0, "Memory Error");
    }
    if (code) {
        code->lastError = errorCode;
        code->lastErrorLocation = location;
    }
    if (!code || error4isFatal(errorCode)) exitProcess(code);
    return errorCode;
}

Error4ExitHandler error4setExitHandler(Error4ExitHandler handler) {
    Error4ExitHandler previous = exitHandler();
    exitHandler() = handler ? handler : &defaultExit;
    return previous == &defaultExit ? nullptr : previous;
}
