# Writes OUT, a C++ table of every file under FOLDER/<type>/ (run with cmake -P).
file(GLOB_RECURSE files ${FOLDER}/*/*)
list(FILTER files EXCLUDE REGEX "/(README|readme)[^/]*$|\\.(txt|md)$")
list(SORT files)
set(body "")
set(table "")
set(index 0)
foreach(f ${files})
  file(RELATIVE_PATH rel ${FOLDER} ${f})
  string(REGEX REPLACE "/.*$" "" type "${rel}")
  string(TOUPPER "${type}" type)
  get_filename_component(stem ${f} NAME_WE)
  file(READ ${f} hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND body "static const unsigned char r${index}[] = {${bytes}0};\n")
  string(APPEND table "  {\"${type}\", \"${stem}\", r${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT}.tmp "// Generated from resources/: do not edit.\n#include <cstddef>\n"
  "namespace lab::detail {\n"
  "struct TEmbeddedResource { const char* Type; const char* Name; const unsigned char* Data; std::size_t Size; };\n"
  "${body}"
  "extern const TEmbeddedResource kEmbeddedResources[] = {\n${table}  {nullptr, nullptr, nullptr, 0}};\n"
  "extern const std::size_t kEmbeddedResourceCount = ${index};\n}\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
