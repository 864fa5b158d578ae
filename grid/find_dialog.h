#pragma once
// The process-wide find-dialog procedure: the grid's find key calls it with the grid, a text to
// find, a field name, a list of values to offer and whether the dialog is modal. A program puts
// its dialog in place here; without one the find key does nothing.

#include <functional>
#include <string>
#include <vector>

namespace lab {

class TCustomDBGridX;

using TDBGridXFindDialogProc = std::function<void(TCustomDBGridX* Grid, const std::string& Text,
                                                  const std::string& FieldName,
                                                  const std::vector<std::string>& Values, bool Modal)>;

// The procedure in place (empty when none is); setting it answers the previous one. Main thread
// only, as the grids that call it.
const TDBGridXFindDialogProc& DBGridXFindDialogProc();
TDBGridXFindDialogProc SetDBGridXFindDialogProc(TDBGridXFindDialogProc Proc);

}  // namespace lab
