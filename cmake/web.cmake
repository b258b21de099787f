# The browser build: the core library without SDL, FluidSynth or libpng, with
# libsoxr built for Emscripten (scripts/cross-deps web), the web backend, the game, the showcase and the other examples,
# written as a static site into V17_WEB_SITE: index.html, showcase.html and
# examples.html, each program's .js and .wasm, the game's data package (its
# assets, the replays and the sound font), the examples' data package, the
# synthesizer's scripts, and the game page's manifest, install icons and
# service worker. The assets, the icons and the sound font cut to the game's
# tunes are a native build's (the asset generator and sf2subset run
# natively); scripts/web does all of it.
set(V17_WEB_SITE ${CMAKE_BINARY_DIR}/site CACHE PATH "where the static site is written")
set(V17_WEB_ASSETS "" CACHE PATH "the game's generated assets: a native build's assets folder")
set(V17_WEB_NODE_MODULES "" CACHE PATH "node_modules holding js-synthesizer (npm ci of web/)")
set(V17_WEB_SOXR "" CACHE PATH "libsoxr built for Emscripten (scripts/cross-deps web)")
set(V17_WEB_SOUNDFONT ${V17_WEB_ASSETS}/../soundfont/game.sf2 CACHE FILEPATH
    "the General MIDI sound font packed with the game: the native build's cut to its tunes")
foreach(needed V17_WEB_ASSETS V17_WEB_NODE_MODULES V17_WEB_SOXR)
    if(NOT IS_DIRECTORY "${${needed}}")
        message(FATAL_ERROR "${needed} must name a folder (scripts/web sets it)")
    endif()
endforeach()
if(NOT EXISTS ${V17_WEB_SOUNDFONT})
    message(FATAL_ERROR "no sound font at ${V17_WEB_SOUNDFONT} (scripts/web makes it)")
endif()
find_program(V17_GZIP gzip REQUIRED)

function(v17_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The SSE2 kernels compile to WebAssembly SIMD.
add_compile_options(-msimd128 -msse2 -mbulk-memory)

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
# libsoxr resamples the sounds loaded at other rates, as natively. Its folder
# is outside Emscripten's system root, which the toolchain's searches keep to;
# it is named as it is.
if(NOT EXISTS ${V17_WEB_SOXR}/lib/libsoxr.a OR NOT EXISTS ${V17_WEB_SOXR}/include/soxr.h)
    message(FATAL_ERROR "no libsoxr in ${V17_WEB_SOXR} (scripts/cross-deps web builds it)")
endif()
target_include_directories(v17 SYSTEM PRIVATE ${V17_WEB_SOXR}/include)
target_link_libraries(v17 PRIVATE ${V17_WEB_SOXR}/lib/libsoxr.a)
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
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sASYNCIFY_IMPORTS=[emscripten_sleep,v17_web_yield]
    -sMODULARIZE -sALLOW_MEMORY_GROWTH -sEXIT_RUNTIME
    -sENVIRONMENT=web -sEXPORTED_RUNTIME_METHODS=FS -sEXPORTED_FUNCTIONS=_main,_malloc,_free
    --js-library ${SRC}/platform/backends/web/web_platform.js)

# The font goes where the music player looks for it first: it is that font,
# holding only what the game's tunes play.
add_executable(vantorel17 ${SRC}/shell/main.cpp)
target_link_libraries(vantorel17 PRIVATE v17game)
target_link_options(vantorel17 PRIVATE ${V17_WEB_LINK} -sEXPORT_NAME=createVantorel17
    "SHELL:--preload-file ${V17_WEB_ASSETS}@/assets"
    "SHELL:--preload-file ${PROJECT_SOURCE_DIR}/assets/replays@/assets/replays"
    "SHELL:--preload-file ${V17_WEB_SOUNDFONT}@/usr/share/sounds/sf2/TimGM6mb.sf2")
set_property(TARGET vantorel17 APPEND PROPERTY LINK_DEPENDS ${V17_WEB_SOUNDFONT})
v17_warnings(vantorel17)
# The game page fetches its program, its data and the synthesizer gzipped
# (NAME.gz, unpacked by the browser's DecompressionStream), since a plain
# static host sends files as they are: 8.4 MB of pictures and samples are 1.1 MB
# so. Browsers without DecompressionStream fetch the files themselves.
add_custom_command(TARGET vantorel17 POST_BUILD
                   COMMAND ${V17_GZIP} -9nkf vantorel17.js vantorel17.wasm vantorel17.data
                   WORKING_DIRECTORY ${V17_WEB_SITE} VERBATIM)

add_executable(v17_showcase ${PROJECT_SOURCE_DIR}/examples/showcase.cpp)
target_link_libraries(v17_showcase PRIVATE v17 cli11_headers)
target_link_options(v17_showcase PRIVATE ${V17_WEB_LINK} -sEXPORT_NAME=createShowcase)
v17_warnings(v17_showcase)

# The examples page's two programs with files: the first program and the sound
# and music example. What they read (the palette, the sprite sheet, the sound,
# the title tune and the sound font, 6 MB of which the font is all but 60 KB)
# is one package both load, examples.data: the game's files in the root, their
# working directory, and the font where the music looks for it. Emscripten's
# file packager makes it with the script that loads it, which each program
# takes in as it is linked. The font is the game's cut one: the examples play
# the title tune.
set(V17_FILE_PACKAGER ${EMSCRIPTEN_ROOT_PATH}/tools/file_packager)
if(NOT EXISTS ${V17_FILE_PACKAGER})
    message(FATAL_ERROR "Emscripten's file packager is not at ${V17_FILE_PACKAGER}")
endif()
set(V17_EXAMPLES_LOADER ${CMAKE_BINARY_DIR}/examples_data.js)
set(V17_EXAMPLES_FILES)
set(V17_EXAMPLES_PRELOADS)
foreach(name PALDATA2.PAL QUENSP0.BMP scream.WAV title.mid)
    list(APPEND V17_EXAMPLES_FILES ${V17_WEB_ASSETS}/${name})
    list(APPEND V17_EXAMPLES_PRELOADS ${V17_WEB_ASSETS}/${name}@/${name})
endforeach()
add_custom_command(
    OUTPUT ${V17_WEB_SITE}/examples.data ${V17_EXAMPLES_LOADER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${V17_WEB_SITE}
    COMMAND ${V17_FILE_PACKAGER} examples.data --preload ${V17_EXAMPLES_PRELOADS}
            ${V17_WEB_SOUNDFONT}@/usr/share/sounds/sf2/TimGM6mb.sf2
            --no-node --js-output=${V17_EXAMPLES_LOADER}
    WORKING_DIRECTORY ${V17_WEB_SITE}  # the name the loader fetches is the site's examples.data
    DEPENDS ${V17_EXAMPLES_FILES} ${V17_WEB_SOUNDFONT}
    COMMENT "Packing the examples' data" VERBATIM)
add_custom_target(examples_data DEPENDS ${V17_WEB_SITE}/examples.data ${V17_EXAMPLES_LOADER})

foreach(example first_steps sound_and_music)
    add_executable(${example} ${PROJECT_SOURCE_DIR}/examples/${example}.cpp)
    target_link_libraries(${example} PRIVATE v17)
    add_dependencies(${example} examples_data)
    v17_warnings(${example})
    set_property(TARGET ${example} APPEND PROPERTY LINK_DEPENDS ${V17_EXAMPLES_LOADER})
endforeach()
target_link_options(first_steps PRIVATE ${V17_WEB_LINK} -sEXPORT_NAME=createFirstSteps
                    -sFORCE_FILESYSTEM "SHELL:--pre-js ${V17_EXAMPLES_LOADER}")
target_link_options(sound_and_music PRIVATE ${V17_WEB_LINK} -sEXPORT_NAME=createSoundAndMusic
                    -sFORCE_FILESYSTEM "SHELL:--pre-js ${V17_EXAMPLES_LOADER}")

# The browser tests' loader of a sound, which writes its converted samples to
# stdout (as its native build does); beside the site, not on it.
add_executable(wave_dump ${PROJECT_SOURCE_DIR}/tests/web/wave_dump.cpp)
target_link_libraries(wave_dump PRIVATE v17)
target_link_options(wave_dump PRIVATE -sMODULARIZE -sEXPORT_NAME=createWaveDump -sENVIRONMENT=web
                    -sALLOW_MEMORY_GROWTH -sFORCE_FILESYSTEM -sEXPORTED_RUNTIME_METHODS=FS)
set_target_properties(wave_dump PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
v17_warnings(wave_dump)

set(V17_WEB_PROGRAMS vantorel17 v17_showcase first_steps sound_and_music)
set_target_properties(${V17_WEB_PROGRAMS} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${V17_WEB_SITE})
foreach(program ${V17_WEB_PROGRAMS})
    set_property(TARGET ${program} APPEND PROPERTY LINK_DEPENDS
                 ${SRC}/platform/backends/web/web_platform.js)
endforeach()
# In the game, only the functions on the way from main to the two imports that
# suspend (a sleep, and the turn given to the browser) are made resumable, which
# makes its frames about a third faster. Asyncify takes every call through a
# pointer for one that may suspend; the functions listed in
# web_never_suspend.txt call through pointers but never into a wait (the blits,
# the clock's reading, the presentation, the mixer, the C and C++ runtimes), so
# neither they nor their callers are made resumable for them. A name there that
# matches nothing only costs speed (and a warning as the game is linked); one
# that does reach a wait traps ("unreachable") when the wait suspends: the
# complete run in the browser tests goes through every wait of the game.
set(V17_NEVER_SUSPEND ${PROJECT_SOURCE_DIR}/cmake/web_never_suspend.txt)
target_link_options(vantorel17 PRIVATE -sASYNCIFY_REMOVE=@${V17_NEVER_SUSPEND})
set_property(TARGET vantorel17 APPEND PROPERTY LINK_DEPENDS ${V17_NEVER_SUSPEND})

# The pages, and the synthesizer (FluidSynth for the web, LGPL, with its
# licence) with its JavaScript front, and the sound font's licence.
set(SYNTH ${V17_WEB_NODE_MODULES}/js-synthesizer)
set(V17_SITE_FILES
    ${PROJECT_SOURCE_DIR}/web/index.html ${PROJECT_SOURCE_DIR}/web/showcase.html
    ${PROJECT_SOURCE_DIR}/web/page.js ${PROJECT_SOURCE_DIR}/web/page.css
    ${PROJECT_SOURCE_DIR}/web/touch.js
    ${PROJECT_SOURCE_DIR}/web/examples.js ${PROJECT_SOURCE_DIR}/web/manifest.webmanifest
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
foreach(script libfluidsynth-2.3.0.js js-synthesizer.min.js)
    add_custom_command(OUTPUT ${V17_WEB_SITE}/${script}.gz
                       COMMAND ${V17_GZIP} -9nkf ${V17_WEB_SITE}/${script}
                       DEPENDS ${V17_WEB_SITE}/${script})
    list(APPEND V17_SITE_COPIES ${V17_WEB_SITE}/${script}.gz)
endforeach()
# libsoxr's licence (LGPL), from its Debian copyright file.
add_custom_command(OUTPUT ${V17_WEB_SITE}/LICENSE.libsoxr.txt
                   COMMAND ${CMAKE_COMMAND} -E copy ${V17_WEB_SOXR}/licences/libsoxr.txt
                           ${V17_WEB_SITE}/LICENSE.libsoxr.txt
                   DEPENDS ${V17_WEB_SOXR}/licences/libsoxr.txt)
list(APPEND V17_SITE_COPIES ${V17_WEB_SITE}/LICENSE.libsoxr.txt)
set(V17_FONT_COPYRIGHT /usr/share/doc/timgm6mb-soundfont/copyright)
if(EXISTS ${V17_FONT_COPYRIGHT})
    add_custom_command(OUTPUT ${V17_WEB_SITE}/LICENSE.soundfont.txt
                       COMMAND ${CMAKE_COMMAND} -E copy ${V17_FONT_COPYRIGHT}
                               ${V17_WEB_SITE}/LICENSE.soundfont.txt
                       DEPENDS ${V17_FONT_COPYRIGHT})
    list(APPEND V17_SITE_COPIES ${V17_WEB_SITE}/LICENSE.soundfont.txt)
endif()
# The examples page, with the source of each example in it, escaped for HTML.
set(V17_EXAMPLE_SOURCES)
foreach(name first_steps sound_and_music showcase)
    list(APPEND V17_EXAMPLE_SOURCES ${PROJECT_SOURCE_DIR}/examples/${name}.cpp)
endforeach()
add_custom_command(OUTPUT ${V17_WEB_SITE}/examples.html
                   COMMAND ${CMAKE_COMMAND} -DPAGE=${PROJECT_SOURCE_DIR}/web/examples.html
                           -DSOURCES=${PROJECT_SOURCE_DIR}/examples
                           -DOUTPUT=${V17_WEB_SITE}/examples.html
                           -P ${PROJECT_SOURCE_DIR}/cmake/page_sources.cmake
                   DEPENDS ${PROJECT_SOURCE_DIR}/web/examples.html ${V17_EXAMPLE_SOURCES}
                           ${PROJECT_SOURCE_DIR}/cmake/page_sources.cmake)
list(APPEND V17_SITE_COPIES ${V17_WEB_SITE}/examples.html)
# The game's icons, from the native build's icons beside its assets: the
# page's, and the two its manifest offers for installing it.
foreach(icon icon:64 icon-192:192 icon-512:512)
    string(REPLACE ":" ";" icon ${icon})
    list(GET icon 0 name)
    list(GET icon 1 size)
    set(from ${V17_WEB_ASSETS}/../icons/hicolor/${size}x${size}/apps/vantorel17.png)
    if(NOT EXISTS ${from})
        message(FATAL_ERROR "no icon at ${from} (the native build's assets target makes it)")
    endif()
    add_custom_command(OUTPUT ${V17_WEB_SITE}/${name}.png
                       COMMAND ${CMAKE_COMMAND} -E copy ${from} ${V17_WEB_SITE}/${name}.png
                       DEPENDS ${from})
    list(APPEND V17_SITE_COPIES ${V17_WEB_SITE}/${name}.png)
endforeach()

# The service worker keeps what the game page loads for offline play. Its
# copy on the site names each of those files with its SHA-256, and its cache
# after them all, so that a build that changes any file is a new worker with
# a new cache, which replaces the old one.
set(V17_OFFLINE_FILES index.html page.js touch.js page.css manifest.webmanifest icon.png icon-192.png
    icon-512.png vantorel17.js.gz vantorel17.wasm.gz vantorel17.data.gz
    libfluidsynth-2.3.0.js.gz js-synthesizer.min.js.gz)
list(TRANSFORM V17_OFFLINE_FILES PREPEND ${V17_WEB_SITE}/ OUTPUT_VARIABLE V17_OFFLINE_PATHS)
add_custom_command(OUTPUT ${V17_WEB_SITE}/sw.js
                   COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${PROJECT_SOURCE_DIR}/web/sw.js
                           -DSITE=${V17_WEB_SITE} "-DFILES=${V17_OFFLINE_FILES}"
                           -DOUTPUT=${V17_WEB_SITE}/sw.js
                           -P ${PROJECT_SOURCE_DIR}/cmake/service_worker.cmake
                   DEPENDS ${PROJECT_SOURCE_DIR}/web/sw.js
                           ${PROJECT_SOURCE_DIR}/cmake/service_worker.cmake
                           ${V17_SITE_COPIES} vantorel17
                   VERBATIM)
add_custom_target(web_site ALL DEPENDS ${V17_SITE_COPIES} ${V17_WEB_SITE}/sw.js)
