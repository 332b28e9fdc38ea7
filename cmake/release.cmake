# The release ZIP (cmake --build --preset win64 --target package): the programs, the demo lessons
# with their generated pictures and sounds, the README and the LICENSE, in one folder named
# vellaro-<version>-win64.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

# The demo lessons' pictures, sounds, image library and store file are made, not kept in the
# sources; the library is packed with the build machine's slitool (cmake/controls_library.cmake).
set(demo_assets ${CMAKE_BINARY_DIR}/release-assets/demo)
add_custom_command(OUTPUT ${demo_assets}/pictures/stave.bmp
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/make_demo_assets.py ${demo_assets} ${host_slitool}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_demo_assets.py ${slitool_dependency}
  COMMENT "Making the demo lesson's pictures and sounds")
add_custom_target(release_demo_assets ALL DEPENDS ${demo_assets}/pictures/stave.bmp)

install(TARGETS vellaro scnlint RUNTIME DESTINATION .)
foreach(tool slitool lessontest midimelody lessonreport)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION .)
  endif()
endforeach()
# What running the lessons in the source tree leaves behind stays out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/lessons/ DESTINATION lessons
        REGEX "/demo/(pictures|sounds|library)$" EXCLUDE
        PATTERN "*.sto" EXCLUDE
        PATTERN "*.log" EXCLUDE
        PATTERN "debug.txt" EXCLUDE)
install(DIRECTORY ${demo_assets}/ DESTINATION lessons/demo)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
# The lesson author's reference.
install(FILES ${PROJECT_SOURCE_DIR}/docs/scenario-language.md DESTINATION docs)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vellaro)
set(CPACK_PACKAGE_VENDOR "Vellaro developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME vellaro-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
