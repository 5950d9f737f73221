// The error form ErrPtnr: a hidden holder of the error record, the central
// dispatcher OnError that every procedure's handler calls, and the error
// protocol appended to <executable name>.EPT beside the executable.
//
// Decisions of this system beyond the plain dispatch:
// - Protocol folder: when the executable's folder cannot be written (an
//   installed program), the protocol goes to the per-user data folder
//   (host().userDataDir(), created when missing). When that fails as well,
//   the protocol of this failure is skipped; OnError never fails itself and
//   always goes on with the beep and the rest of its steps.
// - Repeat guard: when the same statement (same module, procedure and line,
//   and the same execution of the statement when the caller names it) fails
//   again right after its previous failure, with no other failure in
//   between, OnError still writes the protocol, beeps and calls
//   exitScreensaver, but answers End instead of Retry, so the program ends
//   instead of retrying forever.
// - Platform line of the protocol: the platform ids 0, 1 and 2 give
//   "Win32s", "Windows 9x" and "Windows NT"; any other id prints the
//   platform's name ("Linux") followed by CR LF, so the line layout stays
//   intact. Only when that name is empty does the line stay open, and the
//   Version entry continues on it.
#pragma once

#include <string>

#include "errors/handler.h"
#include "platform/numbers.h"

namespace syl {

// The characters of s before its first NUL; without a NUL, the empty string
// (a fixed-size C buffer that was filled completely holds no valid text).
std::string LPSTRToVBString(const std::string& s);

// A folder and a file name joined with the platform's separator; none is
// added when the folder already ends with one (a root such as "C:\" or "/").
std::string joinPath(const std::string& dir, const std::string& name);

namespace ErrPtnr {

// The dispatcher: records the failure, sets the default program info, resets
// the mouse pointer, appends the protocol, beeps, calls exitScreensaver and
// answers Retry (End for a repeat, see above). statement is the execution
// number that Procedure::step passes, 0 when the caller has none.
ErrorAction OnError(const std::string& AktModul, const std::string& AktProc, const RuntimeError& error, int line,
                    unsigned long long statement = 0);

// Sets the program-info text of the error record.
void SetProgInfo(const std::string& Text);

// The error record: program-info text, titles and values 0 to 3 (an index
// outside 0 to 3 is error 9, Subscript out of range).
const std::string& lblProgInfo();
const std::string& lblErrTitel(int index);
const std::string& lblError(int index);

// The protocol text of the current record, with the date and time and the
// system information of this moment.
std::string BuildProtocol();
// The protocol file beside the executable: <folder>\<name>.EPT.
std::string ProtocolFileName();
// The protocol file in the per-user data folder, used when the executable's
// folder cannot be written.
std::string FallbackProtocolFileName();
// Appends the protocol and one more CR LF to the protocol file (or the
// fallback). Returns the file written, or an empty string when neither could
// be written. Never fails.
std::string AppendProtocol();

// Discards the error form: empty record and program info, no previous
// failure. A run starts this way; tests call it to start afresh.
void Unload();

} // namespace ErrPtnr

} // namespace syl
