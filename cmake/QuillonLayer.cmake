# quillon_layer(<name> SOURCES <files...> DEPENDS <targets...>)
# Builds the library quillon_<name> from the listed sources (relative to the calling folder).
# A subfolder adds its own sources with target_sources(quillon_<name> PRIVATE ...).
function(quillon_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(quillon_${name} STATIC ${ARG_SOURCES})
  target_include_directories(quillon_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(quillon_${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# quillon_tests(<name> SOURCES <files...> DEPENDS <targets...>)
# One test executable per tested folder.
function(quillon_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(test_${name} ${ARG_SOURCES})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPENDS} quillon_testsupport GTest::gtest_main GTest::gmock)
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
