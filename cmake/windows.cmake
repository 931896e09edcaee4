# The Windows program: Pairlook.exe with its resources, and ReadMe.htm beside it.
# Included by the top CMakeLists.txt when building for Windows.

enable_language(RC)

set(PAIRLOOK_RESOURCES ${PROJECT_SOURCE_DIR}/resources)

# Everything that needs a window, apart from WinMain, in one library, so the
# window tests can run the same start-up in their own process.
file(GLOB PAIRLOOK_UI_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/app/*.cpp ${PROJECT_SOURCE_DIR}/src/ui/*.cpp)
list(FILTER PAIRLOOK_UI_SOURCES EXCLUDE REGEX "/src/app/main\\.cpp$")
add_library(pairlook_ui STATIC ${PAIRLOOK_UI_SOURCES})
target_include_directories(pairlook_ui PUBLIC ${PAIRLOOK_RESOURCES})
target_compile_options(pairlook_ui PRIVATE ${PAIRLOOK_WARNINGS})
target_link_libraries(pairlook_ui PUBLIC
  pairlook_engine comctl32 comdlg32 gdi32 shell32 ole32 user32 uuid)

# The icons, version record and manifest; compiled into every program that
# creates the main window.
set(PAIRLOOK_RC ${PAIRLOOK_RESOURCES}/Pairlook.rc)
set_property(SOURCE ${PAIRLOOK_RC} APPEND PROPERTY OBJECT_DEPENDS
  ${PAIRLOOK_RESOURCES}/resource_ids.h
  ${PAIRLOOK_RESOURCES}/Pairlook.exe.manifest
  ${PAIRLOOK_RESOURCES}/pairlook.ico
  ${PAIRLOOK_RESOURCES}/lens.ico
  ${PAIRLOOK_RESOURCES}/knob_cold.bmp
  ${PAIRLOOK_RESOURCES}/knob_hot.bmp)

add_executable(Pairlook WIN32 ${PROJECT_SOURCE_DIR}/src/app/main.cpp ${PAIRLOOK_RC})
target_compile_options(Pairlook PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PAIRLOOK_WARNINGS}>)
target_link_libraries(Pairlook PRIVATE pairlook_ui)
set_target_properties(Pairlook PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The help page lives beside the program.
add_custom_command(TARGET Pairlook POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different
          ${PAIRLOOK_RESOURCES}/ReadMe.htm $<TARGET_FILE_DIR:Pairlook>/ReadMe.htm)
