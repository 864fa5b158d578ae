/* A module with a crash reporter of its own, as far as other modules see it: it exports the crash
   reporter's functions, and its handlers leave marks the tests look for. */
#include <string.h>

#include "crashreport/crash_exports.h"

static char custom_data[512];
static uint32_t last_thread_id;
static const void* last_address;

/* A routine of this module: exceptions "raised" here belong to it. */
int crtest_fault_site(int value) { return value * 3 + 1; }
uint32_t crtest_last_thread_id(void) { return last_thread_id; }
const void* crtest_last_address(void) { return last_address; }

static void Seen(const TCrashRecordData* record) {
  if (!record) return;
  last_thread_id = record->ThreadID;
  last_address = record->ExceptionAddress;
}

static void PutText(char* buffer, int max_length, const char* text) {
  size_t length = strlen(text);
  if (max_length < 0) max_length = 0;
  if (length > (size_t)max_length) length = (size_t)max_length;
  memcpy(buffer, text, length);
  buffer[length] = 0;
}

void CrashLog_PasswordRequestEvent(char* Password, int MaxLength) { PutText(Password, MaxLength, "library pass"); }

void CrashLog_PasswordRequestEventEx(const TCrashRecordData* Record, char* Password, int MaxLength) {
  Seen(Record);
  PutText(Password, MaxLength, "library pass");
}

void CrashLog_ExceptionNotifyEvent(const TCrashRecordData* Record, bool* Handled) {
  Seen(Record);
  *Handled = false;
}

void CrashLog_ExceptionActionNotifyEvent(const TCrashRecordData* Record, uint8_t Action, bool* Execute) {
  Seen(Record);
  if (Action == 4) *Execute = false; /* no e-mail */
}

void CrashLog_ExceptionErrorNotifyEvent(const TCrashRecordData* Record, uint8_t Action, bool* Retry) {
  Seen(Record);
  *Retry = Action == 3;
}

void CrashLog_CustomDataRequestEvent(const TCrashRecordData* Record, const char** CustomData) {
  Seen(Record);
  custom_data[0] = 0;
  if (*CustomData) strncat(custom_data, *CustomData, 200);
  strcat(custom_data, "[library]");
  *CustomData = custom_data;
}

void CrashLog_AttachedFilesRequestEvent(const TCrashRecordData* Record, const TCrashStringsData* AttachedFiles) {
  static const char file[] = "/tmp/from-library.txt";
  Seen(Record);
  AttachedFiles->Add(AttachedFiles->List, file, sizeof file - 1);
}

void CrashLog_CustomFieldsRequestEvent(const TCrashRecordData* Record, const TCrashStringsData* FieldsName,
                                       const TCrashStringsData* FieldsValue) {
  Seen(Record);
  FieldsName->Add(FieldsName->List, "Library", 7);
  FieldsValue->Add(FieldsValue->List, "yes", 3);
}
