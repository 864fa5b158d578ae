#pragma once
// The process's module list: one record per loaded ELF object (the program, shared objects, the
// kernel's vDSO) with its file, version, size, date, kind, exported routines and the crash-report
// options it carries. Enumerated with dl_iterate_phdr; not locked (the handler enumerates while it
// holds the handler lock, the start-up before any report).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "crashreport/report/crash_lists.h"
#include "platform/rtl/streams.h"

namespace lab {

// The process's list, sorted by handle after each enumeration.
TCrashModulesList& CrashModulesList();

// The whole record of a module (by its load address), made and added when missing; a record an
// enumeration made is completed where it stands (CompleteModuleInfo, and its exports). A record of
// a module unloaded since, or of another file loaded at its address, is made again. nullptr for 0
// or an address that is no loaded module.
std::shared_ptr<TCrashModuleInfo> GetModuleInfo(std::uintptr_t Handle);
// The record of the module that holds Address.
std::shared_ptr<TCrashModuleInfo> GetModuleInfoByAddr(const void* Address);
// Builds and appends the whole record; false when Handle is no loaded module's load address.
bool AddModuleInfo(std::uintptr_t Handle);
// Drops the records of unloaded modules, adds the new ones and sorts the list. A new entry holds
// only what the loader tells (handle and the loader's string of the file name), so an enumeration
// reads no file and makes no record: the record is made when first asked for (with no file name
// when its module was unloaded since); whoever reads the rest completes it first
// (CompleteModuleInfo), and GetModuleInfo makes it whole.
void EnumerateModules();
// Fills in, once, what takes reading the module's file or data: its date, size, version and
// description, its kind and its options (asking for the pass phrase of its data). Valid after.
void CompleteModuleInfo(TCrashModuleInfo& Record);
// Completes every record of the list, as the report's module rows and the dialog's module list
// read them.
void CompleteModuleInfos(TCrashModulesList& List);

// Sorts modules as a walk of the loader lists them by handle; quickest for the loader's usual order.
void SortWalkByHandle(std::vector<TLoadedModule>& Walked);

// 1 the program, 3 a shared object (the vDSO among them), 0 when the image cannot be read.
std::uint8_t GetModuleType(std::uintptr_t Handle);
// A shared object; when the image cannot be read, the kind of the module holding the crash reporter.
bool IsModuleLibrary(std::uintptr_t Handle);
// From the file's version note (written by lab_add_version_note); without one, no description and
// the version suffix of the file's real name or of its soname (libz.so.1.2.13 gives 1.2.13).
// "0.0.0.0" counts as no version.
void GetFileVersionAndDescription(const std::string& FileName, std::string& Description, std::string& Version);
// The file's size, low 32 bits; 0 when missing.
std::uint32_t GetFileSizeByName(const std::string& FileName);
// The record's folder without its final "/" ("/" stays).
std::string ExtractModuleFolder(const TCrashModuleInfo& Module);

// A read-only stream laid over memory (a module's image) without copying. Its size is taken as
// 2147483647 so any offset can be read; a read copies through the kernel (ReadMemory) and reads
// nothing where any of the memory cannot be read. Writing raises EStreamError.
class THModuleStream : public TStream {
  LAB_CLASS(THModuleStream, TStream)
 public:
  explicit THModuleStream(const void* Memory) : memory_(static_cast<const std::uint8_t*>(Memory)) {}

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return 2147483647; }
  void SetSize(std::int64_t NewSize) override;

 private:
  const std::uint8_t* memory_;
  std::int64_t position_ = 0;
};

}  // namespace lab
