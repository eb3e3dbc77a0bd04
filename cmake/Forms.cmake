# The desktop program: the forms and the Qt half of the platform layer in library `forms`, the
# program `mokuroku`, and one Qt Test executable per form. Only these targets see Qt; the engine
# keeps no Qt include path.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

set(MOKUROKU_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
cmake_path(NORMAL_PATH MOKUROKU_ROOT)

file(GLOB FORMS_SOURCES CONFIGURE_DEPENDS
    ${MOKUROKU_ROOT}/app/frm*.cpp ${MOKUROKU_ROOT}/app/*_qt.cpp
    ${MOKUROKU_ROOT}/settings/frm*.cpp ${MOKUROKU_ROOT}/dialogs/*.cpp
    ${MOKUROKU_ROOT}/platform/qt/*.cpp)
list(FILTER FORMS_SOURCES EXCLUDE REGEX "_test\\.cpp$")

add_library(forms STATIC ${FORMS_SOURCES})
set_target_properties(forms PROPERTIES AUTOMOC ON AUTOUIC ON)
target_include_directories(forms PUBLIC ${MOKUROKU_ROOT})
target_link_libraries(forms PUBLIC app Qt6::Widgets)
target_compile_definitions(forms PRIVATE
    MOKUROKU_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    MOKUROKU_VERSION_MINOR=${PROJECT_VERSION_MINOR})

add_executable(mokuroku ${MOKUROKU_ROOT}/gui/main.cpp)
target_link_libraries(mokuroku PRIVATE forms)

# Pictures of the windows for the documentation (scripts/screenshot).
add_executable(mokuroku-screenshot ${MOKUROKU_ROOT}/gui/screenshot.cpp)
target_link_libraries(mokuroku-screenshot PRIVATE forms)

# Benchmarks of the window, run by hand.
file(GLOB FORMS_BENCH_SOURCES CONFIGURE_DEPENDS ${MOKUROKU_ROOT}/bench/qt/*.cpp)
foreach(src ${FORMS_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE forms)
    # Where bench/make_site.py lies, for the benchmarks that generate their site.
    target_compile_definitions(${name} PRIVATE MOKUROKU_SOURCE_DIR="${MOKUROKU_ROOT}")
endforeach()

# Each form's test is a program of its own (Qt Test runs one QApplication per process). The Qt
# halves of the engine's modules are tested in platform/qt/, out of reach of the engine's globs.
file(GLOB FORMS_TEST_SOURCES CONFIGURE_DEPENDS
    ${MOKUROKU_ROOT}/*/frm*_test.cpp ${MOKUROKU_ROOT}/platform/qt/*_test.cpp)
enable_testing()
foreach(src ${FORMS_TEST_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src} ${MOKUROKU_ROOT}/testutil/TempDir.cpp)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE forms Qt6::Test)
    # Some tests start the program itself as a second process.
    add_dependencies(${name} mokuroku)
    target_compile_definitions(${name} PRIVATE
        MOKUROKU_SOURCE_DIR="${MOKUROKU_ROOT}"
        MOKUROKU_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/Install.cmake)
