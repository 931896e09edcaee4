# The window tests: one program, run under Wine with a display (a private
# Xvfb when there is none), so they pay for one Wine start.
file(GLOB UI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(ui_tests ${UI_TEST_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_folder.cpp ${PAIRLOOK_RC})
target_include_directories(ui_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(ui_tests PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PAIRLOOK_TEST_WARNINGS}>)
target_link_libraries(ui_tests PRIVATE pairlook_ui GTest::gtest_main ${GTEST_TARGETS})
add_test(NAME ui_tests
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-run --display $<TARGET_FILE:ui_tests>)
set_tests_properties(ui_tests PROPERTIES TIMEOUT 600)
