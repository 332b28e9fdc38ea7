# Two rules of the source layout under SOURCE_DIR; the check fails when a file breaks either.
# 1. A source file whose name does not start with win32_ includes no Windows header (windows.h,
#    mmsystem.h, dsound.h) and none of our win32_* headers: such a file belongs to the Win32 side
#    and must say so in its name.
# 2. The folders stand in one order, and a file includes headers only from its own folder and the
#    folders below it, so that every arrow between folders points down. A folder that is not in
#    the order fails too: a new folder must be given its place here.
# Usage: cmake -DSOURCE_DIR=<folder> -P check-layout.cmake
set(folder_order base expr sound image script ui headless widgets app)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "layout check: no folder ${SOURCE_DIR}")
endif()

# The position of a folder in the order, or -1.
function(folder_rank folder result)
  list(FIND folder_order "${folder}" rank)
  set(${result} ${rank} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(win32_offenders "")
set(order_offenders "")
foreach(source IN LISTS sources)
  get_filename_component(name "${source}" NAME)
  string(REGEX REPLACE "/.*" "" folder "${source}")
  folder_rank("${folder}" own_rank)
  if(own_rank EQUAL -1)
    list(APPEND order_offenders "${source}: folder ${folder} has no place in the order")
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(STRIP "${line}" line)
    if(NOT name MATCHES "^win32_" AND
       (line MATCHES "[<\"/]([Ww][Ii][Nn][Dd][Oo][Ww][Ss]|[Mm][Mm][Ss][Yy][Ss][Tt][Ee][Mm]|[Dd][Ss][Oo][Uu][Nn][Dd])\\.[Hh][>\"]"
        OR line MATCHES "[<\"/]win32_[^<\">/]*[>\"]"))
      list(APPEND win32_offenders "${source}: ${line}")
    endif()
    if(own_rank GREATER -1 AND line MATCHES "\"([^\"/]+)/[^\"]*\"")
      folder_rank("${CMAKE_MATCH_1}" included_rank)
      if(included_rank GREATER own_rank)
        list(APPEND order_offenders "${source}: ${line}")
      endif()
    endif()
  endforeach()
endforeach()

set(failures "")
if(win32_offenders)
  list(JOIN win32_offenders "\n  " text)
  string(APPEND failures "Portable files that include Win32 headers (rename them win32_* or drop the include):\n  ${text}\n")
endif()
if(order_offenders)
  list(JOIN folder_order " < " order_text)
  list(JOIN order_offenders "\n  " text)
  string(APPEND failures "Includes against the folder order ${order_text} (move the code to the folder where it belongs):\n  ${text}\n")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
list(LENGTH sources count)
message(STATUS "layout check: ${count} files, every Win32 include is in a win32_* file, every include points down the folder order")
