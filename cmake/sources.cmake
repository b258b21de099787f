# The sources of the library's core and of the game, defined once for every
# build. Each folder's sources are picked up by name, so a new module needs no
# edit here. The core is everything below the game but the window backends
# (backends/sdl natively, backends/web in the browser); a build that lacks a
# part leaves it out by name:
#   headless    backends/headless (the virtual-clock backend, PNG and WAV output)
#   fluidsynth  audio_engine/fluid_synth.cpp (the synthesizer behind the sequencer)
#   png         formats/png_file.cpp (libpng)
# The Windows MIDI output (audio_engine/winmm_synth.cpp) is part of the core on
# Windows only, where it stands in for FluidSynth.
set(V17_SRC ${CMAKE_CURRENT_LIST_DIR}/../src)
cmake_path(NORMAL_PATH V17_SRC)

# v17_core_sources(<out> [WITHOUT part...]): the core's sources into <out>
function(v17_core_sources out)
    cmake_parse_arguments(ARG "" "" "WITHOUT" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${V17_SRC}/platform/*.cpp ${V17_SRC}/support/*.cpp
         ${V17_SRC}/gfx/*.cpp ${V17_SRC}/raster/*.cpp ${V17_SRC}/audio/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/platform/backends/(sdl|web)/")
    if(NOT WIN32)
        list(FILTER sources EXCLUDE REGEX "/platform/audio_engine/winmm_synth\\.cpp$")
    endif()
    set(part_headless "/platform/backends/headless/")
    set(part_fluidsynth "/platform/audio_engine/fluid_synth\\.cpp$")
    set(part_png "/platform/formats/png_file\\.cpp$")
    foreach(part ${ARG_WITHOUT})
        if(NOT DEFINED part_${part})
            message(FATAL_ERROR "v17_core_sources: no part named ${part}")
        endif()
        list(FILTER sources EXCLUDE REGEX "${part_${part}}")
    endforeach()
    set(${out} ${sources} PARENT_SCOPE)
endfunction()

# v17_backend_sources(<out> <backend>): the sources of backends/<backend>
function(v17_backend_sources out backend)
    file(GLOB sources CONFIGURE_DEPENDS ${V17_SRC}/platform/backends/${backend}/*.cpp)
    set(${out} ${sources} PARENT_SCOPE)
endfunction()

# v17_game_sources(<out>): the game and its shell, without the entry point
function(v17_game_sources out)
    file(GLOB sources CONFIGURE_DEPENDS ${V17_SRC}/game/*.cpp ${V17_SRC}/shell/*.cpp)
    list(REMOVE_ITEM sources ${V17_SRC}/shell/main.cpp)
    set(${out} ${sources} PARENT_SCOPE)
endfunction()
