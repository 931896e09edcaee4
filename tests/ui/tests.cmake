# The window tests: one program, run under Wine with a display (a private
# Xvfb when there is none), one entry per suite. Their windows would meet on
# the one display, so no two suites run at once.
file(GLOB UI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(ui_tests ${UI_TEST_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_folder.cpp ${PAIRLOOK_RC})
target_include_directories(ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ui_tests PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PAIRLOOK_TEST_WARNINGS}>)
target_link_libraries(ui_tests PRIVATE pairlook_ui GTest::gtest_main ${GTEST_TARGETS})
pairlook_add_test_suites(ui_tests LAUNCHER ${PROJECT_SOURCE_DIR}/scripts/wine-run --display
  PROPERTIES LABELS ui RESOURCE_LOCK display TIMEOUT 600)
