# The system libraries the components build on, found the same way for this build and for a project
# that uses an installed lab (labConfig.cmake includes this file). The pkg-config targets carry a LAB_
# prefix, so they do not clash with a user's own.

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(zydis REQUIRED)
foreach(entry "CAIRO cairo" "PIXMAN pixman-1" "FONTCONFIG fontconfig" "FREETYPE freetype2" "X11 x11"
              "ICU icu-uc icu-i18n" "ZLIB zlib" "CURL libcurl" "DW libdw libelf")
  separate_arguments(entry)
  list(POP_FRONT entry name)
  if(NOT TARGET PkgConfig::LAB_${name})
    pkg_check_modules(LAB_${name} REQUIRED IMPORTED_TARGET ${entry})
  endif()
endforeach()
