// The table layer's numbered errors: the code-to-message table, the location groups, the text of
// the "TABLE LAYER ERROR" box and the reporting routine with its exit rules.
#pragma once

#include <string>

struct Code4;

// Error codes the layer itself reports.
constexpr int e4close = -10;
constexpr int e4open = -60;
constexpr int e4permiss = -61;
constexpr int e4numFiles = -63;
constexpr int e4fileFind = -64;
constexpr int e4instance = -69;
constexpr int e4read = -70;
constexpr int e4data = -200;
constexpr int e4fieldName = -210;
constexpr int e4index = -310;
constexpr int e4tagName = -330;
constexpr int e4commaExpected = -400;
constexpr int e4complete = -410;
constexpr int e4dataName = -420;
constexpr int e4iifLength = -422;
constexpr int e4notConstant = -425;
constexpr int e4numParms = -430;
constexpr int e4overflow = -440;
constexpr int e4rightMissing = -450;
constexpr int e4typeSub = -460;
constexpr int e4unrecFunction = -470;
constexpr int e4unrecOperator = -480;
constexpr int e4unrecValue = -490;
constexpr int e4unterminated = -500;
constexpr int e4tagExpr = -510;
constexpr int e4info = -910;
constexpr int e4memory = -920;
constexpr int e4parm = -930;
constexpr int e4parmNull = -935;
constexpr int e4result = -950;
constexpr int e4struct = -970;
constexpr int e4notWrite = -1040;
constexpr int e4memoCorrupt = -1110;
constexpr int e4errorState = -1410;

// Locations the layer reports (five-digit number; the text is in the location groups).
constexpr long l4code4init = 91001;
constexpr long l4code4initUndo = 91003;
constexpr long l4d4open = 94301;
constexpr long l4dfile = 91102;
constexpr long l4corruption = 83805;
constexpr long l4shortHeader = 84306;
constexpr long l4fieldType = 80501;
constexpr long l4file4open = 90615;
constexpr long l4file4readError = 90621;
constexpr long l4u4nameCurrent = 94509;
constexpr long l4i4open = 91706;
constexpr long l4index4open = 91707;
constexpr long l4indexChecks = 81716;
constexpr long l4exprLength = 84901;
constexpr long l4d4close = 91302;
constexpr long l4d4field = 94001;
constexpr long l4d4fieldNumber = 94003;
constexpr long l4d4tag = 92401;
constexpr long l4d4tagSelect = 92409;
constexpr long l4d4seek = 92907;
constexpr long l4d4seekNext = 92908;
constexpr long l4d4seekN = 92903;
constexpr long l4d4seekNextN = 92905;
constexpr long l4d4goEof = 93103;
constexpr long l4d4recCountLessEq = 93318;
constexpr long l4d4changed = 94101;
constexpr long l4f4decimals = 90510;
constexpr long l4f4len = 90511;
constexpr long l4f4ptr = 90532;
constexpr long l4f4long = 90517;
constexpr long l4fieldFunction = 81409;
constexpr long l4f4memoLen = 90522;
constexpr long l4f4memoPtr = 90524;
constexpr long l4f4memoRead = 90525;
constexpr long l4f4memoStr = 90529;
constexpr long l4memo4fileRead = 95210;
constexpr long l4str4int = 61003;
constexpr long l4str4trim = 61035;
constexpr long l4code4dateFormatSet = 96302;
// Accessors beyond the core operations, reported only when given no handle.
constexpr long l4d4go = 93101;
constexpr long l4d4recCount = 93301;
constexpr long l4d4recNo = 93401;
constexpr long l4d4numFields = 94002;
constexpr long l4d4fieldJ = 94004;
constexpr long l4d4alias = 90101;
constexpr long l4d4numTags = 92402;
constexpr long l4d4tagJ = 92403;
constexpr long l4f4name = 90530;
constexpr long l4f4type = 90534;
constexpr long l4t4info = 92501;

// The message of a code; "Invalid or Unknown Error Code" for a code not in the table.
const char* error4text(int code);
// The text of a location, or null when the location is in none of the groups.
const char* error4locationText(long location);
// The number of entries of the code table, the closing zero included.
int error4tableSize();

// The box text exactly as shown before the character set conversion: at most 255 characters.
// Absent descriptions are null; the first null ends the list.
std::string error4boxText(int code, long location, const char* text1 = nullptr,
                          const char* text2 = nullptr, const char* text3 = nullptr);

// Reports an error: shows the box (unless the context's silentErrors is on), records the code and
// location in the context, and ends the process when there is no context or the code is one of
// -970, -950, -935, -930, -920, -910. Returns the code.
int error4report(Code4* code, int errorCode, long location);
int error4report(Code4* code, int errorCode, long location, const char* text1,
                 const char* text2 = nullptr, const char* text3 = nullptr);

// True for the codes whose report ends the process.
bool error4isFatal(int code);

// The end of the process after a fatal report. The default shows "EXITING APPLICATION" with
// FatalAppExitA. A fuzzing harness installs a handler that unwinds instead (it must not return);
// product code never changes it. Returns the previous handler; null restores the default.
using Error4ExitHandler = void (*)(const char* text);
Error4ExitHandler error4setExitHandler(Error4ExitHandler handler);
