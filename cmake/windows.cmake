# The Windows build (cmake/toolchain-mingw64.cmake, the windows preset): the
# core library with the headless backend, libpng and libsoxr, the Windows MIDI
# output behind the synthesizer seam in place of FluidSynth, the SDL backend,
# the game, the showcase and the other examples, and the unit tests that need
# no window. The libraries are scripts/cross-deps' builds, static but for
# libsoxr (LGPL), whose DLL is copied beside the programs. The assets and the icons are
# a native build's (the asset generator runs natively): V17_WINDOWS_ASSETS and
# V17_WINDOWS_ICONS, which scripts/windows sets.
set(V17_WINDOWS_ASSETS "" CACHE PATH "the game's generated assets: a native build's assets folder")
set(V17_WINDOWS_ICONS "" CACHE PATH "the native build's icons folder (hicolor/SIZE/apps/*.png)")

function(v17_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# Unicode Windows calls (the W forms) everywhere, a lean windows.h, and C99
# formatting in printf (%zu, and the digits %g gives elsewhere).
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX __USE_MINGW_ANSI_STDIO=1)

find_package(SDL2 CONFIG REQUIRED)
find_package(PNG REQUIRED)
find_path(V17_SOXR_INCLUDE soxr.h REQUIRED)
find_library(V17_SOXR_LIBRARY soxr REQUIRED)
add_library(v17_soxr INTERFACE)
target_include_directories(v17_soxr INTERFACE ${V17_SOXR_INCLUDE})
target_link_libraries(v17_soxr INTERFACE ${V17_SOXR_LIBRARY})
find_file(V17_SOXR_DLL libsoxr.dll PATH_SUFFIXES bin REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/libsoxr.dll
                   COMMAND ${CMAKE_COMMAND} -E copy ${V17_SOXR_DLL} ${CMAKE_BINARY_DIR}/libsoxr.dll
                   DEPENDS ${V17_SOXR_DLL} VERBATIM)
add_custom_target(soxr_dll ALL DEPENDS ${CMAKE_BINARY_DIR}/libsoxr.dll)
find_path(V17_CLI11_INCLUDE CLI/CLI.hpp REQUIRED)
add_library(cli11_headers INTERFACE)
target_include_directories(cli11_headers SYSTEM INTERFACE ${V17_CLI11_INCLUDE})

set(SRC ${PROJECT_SOURCE_DIR}/src)
include(${PROJECT_SOURCE_DIR}/cmake/sources.cmake)
v17_core_sources(V17_LIB_SOURCES WITHOUT fluidsynth)
add_library(v17 STATIC ${V17_LIB_SOURCES})
target_include_directories(v17 PUBLIC ${SRC})
# winmm: the MIDI output; shell32 and ole32: the pictures folder
target_link_libraries(v17 PRIVATE PNG::PNG v17_soxr PUBLIC winmm shell32 ole32)
v17_warnings(v17)

v17_backend_sources(V17_SDL_SOURCES sdl)
add_library(v17_sdl STATIC ${V17_SDL_SOURCES})
target_link_libraries(v17_sdl PUBLIC v17 PRIVATE SDL2::SDL2-static)
v17_warnings(v17_sdl)

v17_game_sources(V17_GAME_SOURCES)
add_library(v17game STATIC ${V17_GAME_SOURCES})
target_link_libraries(v17game PUBLIC v17 cli11_headers)
target_compile_definitions(v17game PRIVATE V17_VERSION="${PROJECT_VERSION}")
v17_warnings(v17game)

# The game's resources: its icon (every size of the desktop icon in one .ico,
# made from the native build's pictures) and its version.
set(V17_ICON_SIZES 16 32 48 64 128 256)
set(V17_ICON_PNGS)
foreach(size ${V17_ICON_SIZES})
    list(APPEND V17_ICON_PNGS ${V17_WINDOWS_ICONS}/hicolor/${size}x${size}/apps/vantorel17.png)
endforeach()
find_program(V17_CONVERT convert REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/vantorel17.ico
                   COMMAND ${V17_CONVERT} ${V17_ICON_PNGS} ${CMAKE_BINARY_DIR}/vantorel17.ico
                   DEPENDS ${V17_ICON_PNGS}
                   COMMENT "Making the game's icon" VERBATIM)
string(REPLACE "." "," V17_VERSION_COMMAS "${PROJECT_VERSION}")
configure_file(${PROJECT_SOURCE_DIR}/dist/vantorel17.rc.in ${CMAKE_BINARY_DIR}/vantorel17.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/vantorel17.rc PROPERTIES
                            OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/vantorel17.ico)

# A program of the windows subsystem (no console window of its own); its
# output still reaches a console or a file that started it with one.
add_executable(vantorel17 ${SRC}/shell/main.cpp ${CMAKE_BINARY_DIR}/vantorel17.rc)
target_link_libraries(vantorel17 PRIVATE v17game v17_sdl)
target_link_options(vantorel17 PRIVATE -mwindows)
v17_warnings(vantorel17)

add_executable(v17_showcase ${PROJECT_SOURCE_DIR}/examples/showcase.cpp)
target_link_libraries(v17_showcase PRIVATE v17 v17_sdl cli11_headers)
v17_warnings(v17_showcase)
foreach(example first_steps sound_and_music)
    add_executable(${example} ${PROJECT_SOURCE_DIR}/examples/${example}.cpp)
    target_link_libraries(${example} PRIVATE v17 v17_sdl)
    v17_warnings(${example})
endforeach()

# The unit tests that need no window, no other program and no file of the
# native build's tools; each program is one CTest test, run under Wine.
if(V17_BUILD_TESTS)
    enable_testing()
    find_package(GTest CONFIG REQUIRED)
    set(V17_WINDOWS_TESTS
        platform/ddraw platform/file_io platform/frame_colours platform/input_script
        platform/key_codes platform/midi_file platform/midi_sequencer platform/png_file
        platform/midi_schedule platform/recording_synth platform/ticks platform/win32
        raster/bitmap raster/lines raster/polygons raster/spans raster/transitions
        raster/triangles
        gfx/bob gfx/display gfx/palette gfx/text)
    foreach(test ${V17_WINDOWS_TESTS})
        get_filename_component(name ${test} NAME)
        add_executable(${name}_test ${PROJECT_SOURCE_DIR}/tests/${test}_test.cpp)
        target_link_libraries(${name}_test PRIVATE v17game GTest::gtest GTest::gtest_main)
        target_include_directories(${name}_test PRIVATE ${PROJECT_SOURCE_DIR}/tests)
        target_compile_definitions(${name}_test PRIVATE V17_TEST_TMP="${CMAKE_BINARY_DIR}/tests/tmp"
                                   V17_GAME_BINARY="$<TARGET_FILE:vantorel17>")
        v17_warnings(${name}_test)
        add_test(NAME ${name}_test COMMAND ${name}_test)
        set_tests_properties(${name}_test PROPERTIES TIMEOUT 300
                             WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    endforeach()
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/tests/tmp)
endif()
