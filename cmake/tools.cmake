# vellaro_add_tool(NAME SOURCE...): a command-line tool built beside vellaro.exe, with our warnings.
# On Windows the runtime is linked in, so that like the player the tool needs nothing but the
# Windows system DLLs. The caller links the libraries the tool needs.
function(vellaro_add_tool name)
  add_executable(${name} ${ARGN})
  target_compile_options(${name} PRIVATE ${VELLARO_WARNINGS})
  if(WIN32)
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
