# Two programs with one name for the user (POSIX). `velmora` is the command line alone: it links no Qt,
# ICU or libcurl, so that a batch run maps only what it uses. The window, and the dialogs of a batch run
# on a desktop, are `velmora-window`, installed beside the helper (libexec/velmora), which `velmora`
# runs in its own place (exec) when a window is to be shown. Both are built from src/main.cpp.
set(VELMORA_WINDOW_NAME velmora-window)
file(RELATIVE_PATH VELMORA_WINDOW_FROM_PROGRAM "${CMAKE_INSTALL_FULL_BINDIR}"
    "${CMAKE_INSTALL_FULL_LIBEXECDIR}/velmora/${VELMORA_WINDOW_NAME}")
# The window finds the helper beside itself.
file(RELATIVE_PATH VELMORA_HELPER_FROM_WINDOW "${CMAKE_INSTALL_FULL_LIBEXECDIR}/velmora"
    "${CMAKE_INSTALL_FULL_LIBEXECDIR}/velmora/${VELMORA_HELPER_NAME}")

add_executable(velmora src/main.cpp)
target_compile_options(velmora PRIVATE ${VELMORA_WARNINGS})
target_link_libraries(velmora PRIVATE velmora_cli)
target_compile_definitions(velmora PRIVATE VELMORA_VERSION="${PROJECT_VERSION}" VELMORA_GUI=0
    VELMORA_WINDOW_FROM_PROGRAM="${VELMORA_WINDOW_FROM_PROGRAM}" VELMORA_WINDOW_NAME="${VELMORA_WINDOW_NAME}")
set_target_properties(velmora PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_executable(${VELMORA_WINDOW_NAME} src/main.cpp resources/velmora.qrc)
target_compile_options(${VELMORA_WINDOW_NAME} PRIVATE ${VELMORA_WARNINGS})
target_link_libraries(${VELMORA_WINDOW_NAME} PRIVATE velmora_mainwindow velmora_cli)
target_compile_definitions(${VELMORA_WINDOW_NAME} PRIVATE VELMORA_VERSION="${PROJECT_VERSION}" VELMORA_GUI=1
    VELMORA_HELPER_FROM_PROGRAM="./${VELMORA_HELPER_FROM_WINDOW}")
set_target_properties(${VELMORA_WINDOW_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
velmora_uses_qt(${VELMORA_WINDOW_NAME})
# Whoever builds velmora gets the window it starts.
add_dependencies(velmora ${VELMORA_WINDOW_NAME})
