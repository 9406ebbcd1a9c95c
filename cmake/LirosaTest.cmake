# add_lirosa_test(NAME name SOURCES ... LIBS ... [LABELS ...] [ENV ...] [TIMEOUT s])
# One GoogleTest program registered as one CTest test, so a run prints one
# line per program and gtest's own output tells which case failed.
find_package(GTest REQUIRED)

function(add_lirosa_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${T_ENV}" LABELS "${T_LABELS}")
endfunction()
