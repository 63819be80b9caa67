# Small helpers shared by the folder CMakeLists.

# tarvo_add_test(NAME SOURCES src... LIBS lib... [LOCK resource]): a GoogleTest program
# registered with CTest. Tests sharing a LOCK (e.g. "xserver": windows on one virtual
# screen would cover each other) never run at the same time.
function(tarvo_add_test name)
  cmake_parse_arguments(ARG "" "LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(CMAKE_CROSSCOMPILING)
    # Each start of an emulated program is slow: run every test of the program at once.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    set(lock_property)
    if(ARG_LOCK)
      set(lock_property RESOURCE_LOCK ${ARG_LOCK})
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600 ${lock_property})
  endif()
endfunction()
