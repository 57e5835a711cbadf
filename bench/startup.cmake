# The start-up benchmark's programs (bench/startup_run): include() from bench/CMakeLists.txt.
if(WIN32)
    add_executable(quillet-win32-startup WIN32 win32startup.cpp)
    target_link_libraries(quillet-win32-startup PRIVATE quillet_win32 quillet_win32_resources)
    target_link_options(quillet-win32-startup PRIVATE -municode)
    quillet_set_warnings(quillet-win32-startup)
elseif(QUILLET_BUILD_GUI)
    add_executable(quillet-window-startup windowstartup.cpp)
    target_link_libraries(quillet-window-startup PRIVATE quillet_window)
    # The window's icon, as the program loads it.
    qt_add_resources(quillet-window-startup icon PREFIX / BASE ${PROJECT_SOURCE_DIR}/dist
        FILES ${PROJECT_SOURCE_DIR}/dist/quillet.svg)
    quillet_set_warnings(quillet-window-startup)
endif()
