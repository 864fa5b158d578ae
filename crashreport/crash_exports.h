/* The functions every module built with the crash reporter exports by name, so that the module that
   processes an exception can fire the events of the module that raised it. Plain C: no string or list
   object crosses a module boundary. Texts go as zero-ended characters or fixed buffers, lists through
   a small table of callbacks over the owner's list. Every module uses this one layout. */
#ifndef LAB_CRASHREPORT_CRASH_EXPORTS_H
#define LAB_CRASHREPORT_CRASH_EXPORTS_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The exception record as it crosses modules. The object, its type (a std::type_info) and the
   lists stay the processing module's; the receiver copies what it keeps. */
typedef struct TCrashRecordData {
  const void* ExceptionObject;
  const void* ExceptionClass;
  const void* ExceptionAddress;
  uint32_t ThreadID;
  const char* ReportText; /* zero-ended */
  void* ModulesList;
  void* CallStack;
  void* Options;
} TCrashRecordData;

/* A string list of the caller, worked on through its own operations. Get hands the item's text to
   Take, which copies it. */
typedef void (*TCrashTakeText)(void* Context, const char* Text, size_t Length);
typedef struct TCrashStringsData {
  void* List;
  int (*Count)(void* List);
  void (*Get)(void* List, int Index, TCrashTakeText Take, void* Context);
  void (*Clear)(void* List);
  void (*Add)(void* List, const char* Text, size_t Length);
} TCrashStringsData;

/* Short texts: a buffer of MaxLength bytes and a zero; the password is cut to MaxLength (never in the
   middle of a character). At most 255. */
#define CRASHLOG_SHORT_TEXT 255

void CrashLog_PasswordRequestEvent(char* Password, int MaxLength);
void CrashLog_PasswordRequestEventEx(const TCrashRecordData* Record, char* Password, int MaxLength);
void CrashLog_ExceptionNotifyEvent(const TCrashRecordData* Record, bool* Handled);
void CrashLog_ExceptionActionNotifyEvent(const TCrashRecordData* Record, uint8_t Action, bool* Execute);
void CrashLog_ExceptionErrorNotifyEvent(const TCrashRecordData* Record, uint8_t Action, bool* Retry);
/* CustomData in, the new text out: *CustomData then points at the module's own text, valid until its
   next event. */
void CrashLog_CustomDataRequestEvent(const TCrashRecordData* Record, const char** CustomData);
void CrashLog_AttachedFilesRequestEvent(const TCrashRecordData* Record, const TCrashStringsData* AttachedFiles);
void CrashLog_CustomFieldsRequestEvent(const TCrashRecordData* Record, const TCrashStringsData* FieldsName,
                                       const TCrashStringsData* FieldsValue);

/* A thread that a library module's crash reporter saw start, as it hands it to the program's crash
   reporter, so that the program's thread list holds every thread. The saved stack (the starting
   thread's, as it stood then) is copied by the receiver. */
typedef struct TCrashThreadData {
  uint32_t ThreadID;
  uintptr_t Handle; /* the pthread_t */
  uint32_t ResumerID; /* the thread that started it */
  const void* StackBase;
  const void* StartRoutine;
  void* StartParameter;
  const uint8_t* SavedStack;
  size_t SavedStackSize;
  uintptr_t SavedStackAddress; /* where the saved stack's first byte stood */
} TCrashThreadData;

/* In the new thread, before its routine: its entry joins the program's list (a thread listed
   already keeps its entry). */
void CrashLog_CallCreateThread(const TCrashThreadData* Thread);
/* In the thread, as it ends: its entry leaves the list. */
void CrashLog_CallExitThread(void);

typedef void (*TCrashCallCreateThread)(const TCrashThreadData*);
typedef void (*TCrashCallExitThread)(void);

typedef void (*TCrashPasswordRequestEvent)(char*, int);
typedef void (*TCrashPasswordRequestEventEx)(const TCrashRecordData*, char*, int);
typedef void (*TCrashExceptionNotifyEvent)(const TCrashRecordData*, bool*);
typedef void (*TCrashActionNotifyEvent)(const TCrashRecordData*, uint8_t, bool*);
typedef void (*TCrashCustomDataRequestEvent)(const TCrashRecordData*, const char**);
typedef void (*TCrashStringsRequestEvent)(const TCrashRecordData*, const TCrashStringsData*);
typedef void (*TCrashCustomFieldsRequestEvent)(const TCrashRecordData*, const TCrashStringsData*,
                                               const TCrashStringsData*);

#ifdef __cplusplus
}
#endif

#endif
