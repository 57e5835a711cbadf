# The window's benchmark: include() from bench/CMakeLists.txt; needs the window's build.
if(QUILLET_BUILD_GUI)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    add_executable(quillet-window-bench window_bench.cpp)
    target_link_libraries(quillet-window-bench PRIVATE quillet_window Qt6::Test)
    quillet_set_warnings(quillet-window-bench)
endif()
