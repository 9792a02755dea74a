# vorn_library(NAME <target> [SOURCES_GLOB <dir>] LINKS <targets...>)
# One library per folder level; the sources are the folder's .cpp files other than tests.
function(vorn_library name)
  cmake_parse_arguments(ARG "" "DIR" "LINKS;EXCLUDE" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_tests\\.cpp$")
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "/${excluded}$")
  endforeach()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

# vorn_folder_tests(NAME <exe> LINKS <targets...> [DIR <dir>] [ENVIRONMENT <k=v...>])
# Turns every <unit>_tests.cpp of a folder into that folder's one GoogleTest executable.
function(vorn_folder_tests name)
  cmake_parse_arguments(ARG "" "DIR" "LINKS;ENVIRONMENT;SOURCES" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${ARG_DIR}/*_tests.cpp)
  if(NOT tests)
    return()
  endif()
  add_executable(${name} ${tests} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} vorn_testing GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}" TIMEOUT 600)
endfunction()
