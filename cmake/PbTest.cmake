# pb_add_test(NAME name SOURCES a.cpp ... [LIBS lib ...] [LABELS label ...] [NATIVE_ONLY] [WINDOWS_ONLY])
# One GoogleTest program, registered with CTest. The test script reads each program's
# XML report (GTEST_OUTPUT) to count the cases.
# Label "threads": also run in the ThreadSanitizer build. Label "dovecot": needs the Dovecot fixture.
function(pb_add_test)
  cmake_parse_arguments(T "NATIVE_ONLY;WINDOWS_ONLY" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_NATIVE_ONLY AND WIN32)
    return()
  endif()
  if(T_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  if(PB_SANITIZE STREQUAL "thread" AND NOT "threads" IN_LIST T_LABELS)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} pb_testsupport prunebox_core GTest::gtest_main)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(report ${PB_REPORT_DIR}/${T_NAME}.xml)
  if(WIN32)
    set(report Z:${report})  # Wine maps the Unix root to drive Z:
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "GTEST_OUTPUT=xml:${report}"
    TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
