# controls.sli, the widgets' pictures: drawn by tools/make_widget_pictures.py and packed with
# slitool at build time, next to the programs. A cross build packs with a slitool built for the
# build machine from the same sources.
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(slitool_sources
  ${CMAKE_SOURCE_DIR}/tools/slitool/slitool.cpp
  ${CMAKE_SOURCE_DIR}/src/base/file_replace.cpp
  ${CMAKE_SOURCE_DIR}/src/base/text_format.cpp
  ${CMAKE_SOURCE_DIR}/src/image/lzw_coder.cpp
  ${CMAKE_SOURCE_DIR}/src/image/image_library.cpp)
if(CMAKE_CROSSCOMPILING)
  set(host_slitool ${CMAKE_BINARY_DIR}/host-tools/slitool)
  add_custom_command(OUTPUT ${host_slitool}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host-tools
    COMMAND c++ -std=c++17 -O2 -I${CMAKE_SOURCE_DIR}/src ${slitool_sources} -o ${host_slitool}
    DEPENDS ${slitool_sources}
    COMMENT "Building slitool for the build machine")
  set(slitool_dependency ${host_slitool})
else()
  set(host_slitool $<TARGET_FILE:slitool>)
  set(slitool_dependency slitool)
endif()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/controls.sli
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_widget_pictures.py ${host_slitool}
          ${CMAKE_BINARY_DIR}/controls.sli
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_widget_pictures.py ${slitool_dependency}
  COMMENT "Drawing the widget pictures into controls.sli")
add_custom_target(controls_library ALL DEPENDS ${CMAKE_BINARY_DIR}/controls.sli)
