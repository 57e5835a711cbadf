# The windows' benchmarks (bench/window_run): include() from bench/CMakeLists.txt.
if(WIN32)
    # The Windows log's answers to a screen reader.
    add_executable(quillet-win32-logbench win32logbench.cpp)
    target_link_libraries(quillet-win32-logbench PRIVATE quillet_win32 quillet_win32_resources)
    quillet_set_warnings(quillet-win32-logbench)
elseif(QUILLET_BUILD_GUI)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    add_executable(quillet-window-bench window_bench.cpp)
    target_link_libraries(quillet-window-bench PRIVATE quillet_window Qt6::Test)
    quillet_set_warnings(quillet-window-bench)
endif()
