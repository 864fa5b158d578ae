#include "grid/find_dialog.h"

#include <utility>

namespace lab {

namespace {
TDBGridXFindDialogProc& Slot() {
  static TDBGridXFindDialogProc proc;
  return proc;
}
}  // namespace

const TDBGridXFindDialogProc& DBGridXFindDialogProc() { return Slot(); }

TDBGridXFindDialogProc SetDBGridXFindDialogProc(TDBGridXFindDialogProc Proc) {
  return std::exchange(Slot(), std::move(Proc));
}

}  // namespace lab
