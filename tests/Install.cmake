cmake_minimum_required(VERSION 3.25)
# cmake --install puts the udev rule, as the tree has it, into the rule folder, whatever the
# prefix, and nothing else: the program itself runs from a folder of the user's.
#   cmake -DBINARY_DIR=<build> -DROOT=<scratch root> -DRULES_DIR=<rule folder>
#         -DRULE=<the tree's rule> -P Install.cmake
file(REMOVE_RECURSE ${ROOT})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT}
          ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix /usr/local
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${output}")
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${ROOT} ${ROOT}/*)
cmake_path(SET expected "${RULES_DIR}/70-quillon.rules")
cmake_path(RELATIVE_PATH expected BASE_DIRECTORY /)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "cmake --install put '${installed}' under DESTDIR, not '${expected}' alone")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${RULE} ${ROOT}/${expected}
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "the installed rule differs from ${RULE}")
endif()
file(REMOVE_RECURSE ${ROOT})
