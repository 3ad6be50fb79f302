# GoogleTest: the system package natively, the Debian source tree when cross-compiling for Windows.
if(NOT QM_BUILD_TESTS)
  return()
endif()

if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  # The vendored sources do not build cleanly with our warning set.
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE -w)
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()

# qm_add_test(NAME [SLOW] SOURCES source... LIBS lib...): one test program per file group, run
# by CTest (under Wine when cross-compiling, through CMAKE_CROSSCOMPILING_EMULATOR). A SLOW
# test (minutes, stores of gigabytes) is labelled `slow` and left out of a plain `ctest`:
# it runs only with `ctest -C slow -L slow`, as scripts/test.sh does once, natively.
function(qm_add_test name)
  cmake_parse_arguments(ARG "SLOW" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QM_SHARED_DIR="${QM_SHARED_DIR}"
                                             QM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(WIN32)
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  if(ARG_SLOW)
    add_test(NAME ${name} CONFIGURATIONS slow COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 1800 SKIP_RETURN_CODE 77 LABELS slow)
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
  endif()
endfunction()
