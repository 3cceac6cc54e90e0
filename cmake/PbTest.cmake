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

# pb_add_test_at_dpi(NAME test DPI n FILTER gtest-filter)
# Runs cases of a test program registered above again, under Wine, with the system's DPI at n
# (test "<test>At<n>"); the cases read PB_EXPECT_DPI to check they got it.
function(pb_add_test_at_dpi)
  cmake_parse_arguments(T "" "NAME;DPI;FILTER" "" ${ARGN})
  if(NOT TARGET ${T_NAME})
    return()
  endif()
  set(name ${T_NAME}At${T_DPI})
  # Wine maps the Unix root to drive Z:.
  add_test(NAME ${name} COMMAND RunAtDpi ${T_DPI} Z:$<TARGET_FILE:${T_NAME}>
           --gtest_filter=${T_FILTER})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "GTEST_OUTPUT=xml:Z:${PB_REPORT_DIR}/${name}.xml"
    TIMEOUT 600)
endfunction()
