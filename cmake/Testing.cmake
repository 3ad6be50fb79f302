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
# by CTest (under Wine when cross-compiling, through CMAKE_CROSSCOMPILING_EMULATOR). SLOW puts
# it in the group labelled "slow" (multi-GB stores and the like): the everyday run leaves that
# group out (ctest -LE slow) and scripts/test.sh runs it once, natively.
function(qm_add_test name)
  cmake_parse_arguments(ARG "SLOW" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QM_SHARED_DIR="${QM_SHARED_DIR}"
                                             QM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(WIN32)
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
  if(ARG_SLOW)
    set_tests_properties(${name} PROPERTIES LABELS slow TIMEOUT 3600)
  endif()
endfunction()
