# Shared compile settings and test helpers for every target of the project.

function(corvanel_target_settings target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
endfunction()

# A native unit-test executable, registered with gtest discovery (cheap natively).
function(corvanel_add_native_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  corvanel_target_settings(${target})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 30)
endfunction()

# A Windows test executable, registered as ONE ctest test: every Wine start costs seconds.
# ENV adds or overrides environment entries (later entries win).
function(corvanel_add_wine_test target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;DEPENDS;ENV" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  corvanel_target_settings(${target})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  if(ARG_DEPENDS)
    add_dependencies(${target} ${ARG_DEPENDS})
  endif()
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${target} PROPERTIES
    ENVIRONMENT "${CORVANEL_WINE_ENV};${ARG_ENV}"
    FIXTURES_REQUIRED wine_prefix
    TIMEOUT ${ARG_TIMEOUT})
endfunction()
