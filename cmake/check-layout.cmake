# Fails when a source file under SOURCE_DIR whose name does not start with win32_ includes a
# Windows header (windows.h, mmsystem.h, dsound.h) or one of our win32_* headers: such a file
# belongs to the Win32 side and must say so in its name.
# Usage: cmake -DSOURCE_DIR=<folder> -P check-layout.cmake
if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "layout check: no folder ${SOURCE_DIR}")
endif()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(offenders "")
foreach(source IN LISTS sources)
  get_filename_component(name "${source}" NAME)
  if(name MATCHES "^win32_")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    if(line MATCHES "[<\"/]([Ww][Ii][Nn][Dd][Oo][Ww][Ss]|[Mm][Mm][Ss][Yy][Ss][Tt][Ee][Mm]|[Dd][Ss][Oo][Uu][Nn][Dd])\\.[Hh][>\"]"
       OR line MATCHES "[<\"/]win32_[^<\">/]*[>\"]")
      string(STRIP "${line}" line)
      list(APPEND offenders "${source}: ${line}")
    endif()
  endforeach()
endforeach()

if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "Portable files that include Win32 headers (rename them win32_* or drop the include):\n  ${text}")
endif()
list(LENGTH sources count)
message(STATUS "layout check: ${count} files, every Win32 include is in a win32_* file")
