# The browser build: the core library without SDL, FluidSynth, libpng or
# libsoxr, the web backend, the game and the showcase, written as a static site
# into V17_WEB_SITE: index.html and showcase.html, each program's .js and .wasm,
# the game's data package (its assets, the replays and the sound font) and the
# synthesizer's scripts. The assets are a native build's (the asset generator
# runs natively); scripts/web does all of it.
set(V17_WEB_SITE ${CMAKE_BINARY_DIR}/site CACHE PATH "where the static site is written")
set(V17_WEB_ASSETS "" CACHE PATH "the game's generated assets: a native build's assets folder")
set(V17_WEB_NODE_MODULES "" CACHE PATH "node_modules holding js-synthesizer (npm ci of web/)")
set(V17_SOUNDFONT_FILE /usr/share/sounds/sf2/TimGM6mb.sf2 CACHE FILEPATH
    "the General MIDI sound font packed with the game")
foreach(needed V17_WEB_ASSETS V17_WEB_NODE_MODULES)
    if(NOT IS_DIRECTORY "${${needed}}")
        message(FATAL_ERROR "${needed} must name a folder (scripts/web sets it)")
    endif()
endforeach()
if(NOT EXISTS ${V17_SOUNDFONT_FILE})
    message(FATAL_ERROR "no sound font at ${V17_SOUNDFONT_FILE}")
endif()

function(v17_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The SSE2 kernels compile to WebAssembly SIMD.
add_compile_options(-msimd128 -msse2)

# CLI11 is headers only; Debian's copy is taken into the build tree, since the
# system's include folder cannot stand beside Emscripten's own.
find_file(V17_CLI11_HEADER CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT V17_CLI11_HEADER)
    message(FATAL_ERROR "CLI11 not found (Debian's libcli11-dev)")
endif()
get_filename_component(V17_CLI11_DIR ${V17_CLI11_HEADER} DIRECTORY)
file(COPY ${V17_CLI11_DIR} DESTINATION ${CMAKE_BINARY_DIR}/cli11)
add_library(cli11_headers INTERFACE)
target_include_directories(cli11_headers SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)

set(SRC ${PROJECT_SOURCE_DIR}/src)
include(${PROJECT_SOURCE_DIR}/cmake/sources.cmake)
v17_core_sources(V17_LIB_SOURCES WITHOUT headless fluidsynth png)
v17_backend_sources(V17_WEB_SOURCES web)
add_library(v17 STATIC ${V17_LIB_SOURCES} ${V17_WEB_SOURCES})
target_include_directories(v17 PUBLIC ${SRC})
v17_warnings(v17)

v17_game_sources(V17_GAME_SOURCES)
add_library(v17game STATIC ${V17_GAME_SOURCES})
target_link_libraries(v17game PUBLIC v17 cli11_headers)
target_compile_definitions(v17game PRIVATE V17_VERSION="${PROJECT_VERSION}")
v17_warnings(v17game)

# The game loop is kept as it is: Asyncify lets a wait's poll suspend the
# program for the browser's turn and resume it where it was. Exceptions stay
# off (with them every allocation would be made resumable, a third of the
# speed): the page hands the program only arguments it has checked, so CLI11
# never has a fault to throw.
set(V17_WEB_LINK
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sMODULARIZE -sALLOW_MEMORY_GROWTH -sEXIT_RUNTIME
    -sENVIRONMENT=web -sEXPORTED_RUNTIME_METHODS=FS -sEXPORTED_FUNCTIONS=_main,_malloc,_free
    --js-library ${SRC}/platform/backends/web/web_platform.js)

add_executable(vantorel17 ${SRC}/shell/main.cpp)
target_link_libraries(vantorel17 PRIVATE v17game)
target_link_options(vantorel17 PRIVATE ${V17_WEB_LINK} -sEXPORT_NAME=createVantorel17
    "SHELL:--preload-file ${V17_WEB_ASSETS}@/assets"
    "SHELL:--preload-file ${PROJECT_SOURCE_DIR}/assets/replays@/assets/replays"
    "SHELL:--preload-file ${V17_SOUNDFONT_FILE}@/usr/share/sounds/sf2/TimGM6mb.sf2")
v17_warnings(vantorel17)

add_executable(v17_showcase ${PROJECT_SOURCE_DIR}/examples/showcase.cpp)
target_link_libraries(v17_showcase PRIVATE v17 cli11_headers)
target_link_options(v17_showcase PRIVATE ${V17_WEB_LINK} -sEXPORT_NAME=createShowcase)
v17_warnings(v17_showcase)

set_target_properties(vantorel17 v17_showcase PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${V17_WEB_SITE})
set_property(TARGET vantorel17 APPEND PROPERTY LINK_DEPENDS ${SRC}/platform/backends/web/web_platform.js)
set_property(TARGET v17_showcase APPEND PROPERTY LINK_DEPENDS ${SRC}/platform/backends/web/web_platform.js)

# The pages, and the synthesizer (FluidSynth for the web, LGPL, with its
# licence) with its JavaScript front, and the sound font's licence.
set(SYNTH ${V17_WEB_NODE_MODULES}/js-synthesizer)
set(V17_SITE_FILES
    ${PROJECT_SOURCE_DIR}/web/index.html ${PROJECT_SOURCE_DIR}/web/showcase.html
    ${PROJECT_SOURCE_DIR}/web/page.js ${PROJECT_SOURCE_DIR}/web/page.css
    ${SYNTH}/dist/js-synthesizer.min.js ${SYNTH}/externals/libfluidsynth-2.3.0.js
    ${SYNTH}/externals/LICENSE.fluidsynth.txt)
set(V17_SITE_COPIES)
foreach(file ${V17_SITE_FILES})
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${V17_WEB_SITE}/${name}
                       COMMAND ${CMAKE_COMMAND} -E copy ${file} ${V17_WEB_SITE}/${name}
                       DEPENDS ${file})
    list(APPEND V17_SITE_COPIES ${V17_WEB_SITE}/${name})
endforeach()
set(V17_FONT_COPYRIGHT /usr/share/doc/timgm6mb-soundfont/copyright)
if(EXISTS ${V17_FONT_COPYRIGHT})
    add_custom_command(OUTPUT ${V17_WEB_SITE}/LICENSE.soundfont.txt
                       COMMAND ${CMAKE_COMMAND} -E copy ${V17_FONT_COPYRIGHT}
                               ${V17_WEB_SITE}/LICENSE.soundfont.txt
                       DEPENDS ${V17_FONT_COPYRIGHT})
    list(APPEND V17_SITE_COPIES ${V17_WEB_SITE}/LICENSE.soundfont.txt)
endif()
# The game's icon, from the native build's icons beside its assets.
set(V17_WEB_ICON ${V17_WEB_ASSETS}/../icons/hicolor/64x64/apps/vantorel17.png)
if(EXISTS ${V17_WEB_ICON})
    add_custom_command(OUTPUT ${V17_WEB_SITE}/icon.png
                       COMMAND ${CMAKE_COMMAND} -E copy ${V17_WEB_ICON} ${V17_WEB_SITE}/icon.png
                       DEPENDS ${V17_WEB_ICON})
    list(APPEND V17_SITE_COPIES ${V17_WEB_SITE}/icon.png)
endif()
add_custom_target(web_site ALL DEPENDS ${V17_SITE_COPIES})
