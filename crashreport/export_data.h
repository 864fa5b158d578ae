#pragma once
// Between the crash reporter's own types and the plain forms its exported functions use.

#include <string>
#include <string_view>

#include "crashreport/crash_exports.h"
#include "crashreport/process_state.h"

namespace lab {

class TStrings;

// ReportText points into Record: the data lives as long as it does.
TCrashRecordData MakeRecordData(const TCrashExceptionRecord& Record);
TCrashExceptionRecord RecordFromData(const TCrashRecordData& Data);

// The callbacks over List (which must outlive the result).
TCrashStringsData MakeStringsData(TStrings* List);
// Replaces To's items by From's.
void CopyStrings(const TCrashStringsData& From, TStrings* To);
void CopyStrings(TStrings* From, const TCrashStringsData& To);

// Text into a buffer of MaxLength bytes and a zero, cut before a character that would not fit whole.
void PutShortText(std::string_view Text, char* Buffer, int MaxLength);

}  // namespace lab
