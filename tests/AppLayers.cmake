cmake_minimum_required(VERSION 3.25)
# The program's libraries (app/ and app/qt/) are the same whatever device layer runs below
# them: only the executables that compose a program (app/main.cpp, the picture tool) include
# the Linux device layer or the simulator, and no library links the simulator.
#   cmake -DSOURCE_DIR=<tree> -DLINKED=<what the libraries link, transitively> -P AppLayers.cmake
set(failures "")
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.cpp)
foreach(source ${sources})
  if(source STREQUAL "app/main.cpp")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"(platform/linux|sim)/")
  foreach(line ${includes})
    # The picture tool runs the dialog over a simulated bridge.
    if(line MATCHES "platform/linux/" OR NOT source MATCHES "^app/qt/tools/")
      list(APPEND failures "${source}: ${line}")
    endif()
  endforeach()
endforeach()
foreach(library quillon_sim quillon_simrig)
  if(library IN_LIST LINKED)
    list(APPEND failures "the program's libraries link ${library}")
  endif()
endforeach()
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
