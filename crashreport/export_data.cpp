#include "crashreport/export_data.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/string_list.h"

namespace lab {

TCrashRecordData MakeRecordData(const TCrashExceptionRecord& Record) {
  TCrashRecordData data{};
  data.ExceptionObject = Record.ExceptionObject;
  data.ExceptionClass = Record.ExceptionClass;
  data.ExceptionAddress = Record.ExceptionAddress;
  data.ThreadID = Record.ThreadID;
  data.ReportText = Record.ReportText.c_str();
  data.ModulesList = Record.ModulesList;
  data.CallStack = Record.CallStack;
  data.Options = Record.Options;
  return data;
}

TCrashExceptionRecord RecordFromData(const TCrashRecordData& Data) {
  TCrashExceptionRecord record;
  record.ExceptionObject = Data.ExceptionObject;
  record.ExceptionClass = static_cast<const std::type_info*>(Data.ExceptionClass);
  record.ExceptionAddress = Data.ExceptionAddress;
  record.ThreadID = Data.ThreadID;
  record.ReportText = Data.ReportText ? Data.ReportText : "";
  record.ModulesList = static_cast<TCrashModulesList*>(Data.ModulesList);
  record.CallStack = static_cast<TCrashStackList*>(Data.CallStack);
  record.Options = static_cast<TCrashModuleOptions*>(Data.Options);
  return record;
}

namespace {

TStrings* ListOf(void* List) { return static_cast<TStrings*>(List); }

}  // namespace

TCrashStringsData MakeStringsData(TStrings* List) {
  TCrashStringsData data{};
  data.List = List;
  data.Count = [](void* L) { return ListOf(L)->Count(); };
  data.Get = [](void* L, int Index, TCrashTakeText Take, void* Context) {
    const std::string text = ListOf(L)->Strings(Index);
    Take(Context, text.data(), text.size());
  };
  data.Clear = [](void* L) { ListOf(L)->Clear(); };
  data.Add = [](void* L, const char* Text, std::size_t Length) { ListOf(L)->Add(std::string(Text, Length)); };
  return data;
}

void CopyStrings(const TCrashStringsData& From, TStrings* To) {
  To->Clear();
  const int count = From.Count(From.List);
  for (int i = 0; i < count; ++i) {
    std::string text;
    From.Get(
        From.List, i,
        [](void* Context, const char* Text, std::size_t Length) { static_cast<std::string*>(Context)->assign(Text, Length); },
        &text);
    To->Add(text);
  }
}

void CopyStrings(TStrings* From, const TCrashStringsData& To) {
  To.Clear(To.List);
  for (int i = 0; i < From->Count(); ++i) {
    const std::string text = From->Strings(i);
    To.Add(To.List, text.data(), text.size());
  }
}

void PutShortText(std::string_view Text, char* Buffer, int MaxLength) {
  if (!Buffer) return;
  std::size_t length = std::min<std::size_t>(Text.size(), static_cast<std::size_t>(std::max(MaxLength, 0)));
  // Not in the middle of a character: back off over continuation bytes.
  if (length < Text.size())
    while (length > 0 && (static_cast<unsigned char>(Text[length]) & 0xC0) == 0x80) --length;
  std::memcpy(Buffer, Text.data(), length);
  Buffer[length] = 0;
}

}  // namespace lab
