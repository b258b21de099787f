# Installs the built library into a fresh prefix, then builds two programs
# outside this tree against the installed package and runs them: `outside`
# (tests/package/outside, every part of the core, no SDL) and the examples'
# first program (on the SDL backend, run headless on an input script). Each is
# built once through find_package and once by the compile and link lines
# `pkg-config --static` gives; a link that misses a library fails.
# Arguments: BUILD_DIR (this build, its assets in BUILD_DIR/assets), SOURCE_DIR,
# WORK (scratch folder), GENERATOR, BUILD_TYPE, SANITIZE.
file(REMOVE_RECURSE ${WORK})
set(outside_dir ${SOURCE_DIR}/tests/package/outside)
set(first_steps ${SOURCE_DIR}/examples/first_steps.cpp)
set(first_steps_script ${SOURCE_DIR}/tests/package/first_steps.txt)
set(assets ${BUILD_DIR}/assets)

function(run step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${step} failed (${result}):\n${out}")
    endif()
    message(STATUS "${step}: ok")
endfunction()

# The core on its own, in a scratch folder of its own.
function(run_outside step program)
    file(MAKE_DIRECTORY ${WORK}/${step})
    run("${step}" ${program} ${assets} ${WORK}/${step})
endfunction()

# The first program on the game's assets: the script walks the hero 10 frames
# right and 5 down (4 pixels a frame from 284,203), presses Enter once and
# ends on the 18th frame; the shout and the tune must have loaded.
function(run_first_steps step program)
    execute_process(COMMAND ${program} --headless ${first_steps_script} WORKING_DIRECTORY ${assets}
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    set(expected "first_steps: 18 frames, hero at 324,223, shouts: 1, music playing")
    if(NOT result EQUAL 0 OR NOT out MATCHES "^${expected}\n$")
        message(FATAL_ERROR "${step}: exit ${result}, said:\n${out}${err}\nnot: ${expected}")
    endif()
    message(STATUS "${step}: ok")
endfunction()

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/prefix)
foreach(header raster/polygons.h raster/lines.h raster/spans.h raster/transitions.h gfx/display.h
               support/clock.h platform/system/win32.h)
    if(NOT EXISTS ${WORK}/prefix/include/vantorel17/${header})
        message(FATAL_ERROR "installed headers lack ${header}")
    endif()
endforeach()
file(GLOB_RECURSE sources ${WORK}/prefix/include/*.cpp)
if(sources)
    message(FATAL_ERROR "sources were installed with the headers: ${sources}")
endif()

# ---- through find_package ----------------------------------------------------
run("configure" ${CMAKE_COMMAND} -S ${outside_dir} -B ${WORK}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_PREFIX_PATH=${WORK}/prefix
    -DFIRST_STEPS=${first_steps})
run("build" ${CMAKE_COMMAND} --build ${WORK}/build)
# The core target needs no SDL: none may stand on the link line of `outside`.
file(READ ${WORK}/build/build.ninja ninja)
string(REGEX MATCH "\nbuild outside: [^\n]*\n(  [^\n]*\n)*" outside_link "${ninja}")
string(REGEX MATCH "LINK_LIBRARIES = [^\n]*" link_line "${outside_link}")
if(NOT link_line)
    message(FATAL_ERROR "no link line of `outside` found in the outside project's build.ninja")
endif()
string(REGEX MATCH "[^ ]*[Ss][Dd][Ll][^ ]*" sdl "${link_line}")
if(sdl)
    message(FATAL_ERROR "the core target brings SDL to the link: ${sdl}")
endif()
run_outside("run" ${WORK}/build/outside)
run_first_steps("first_steps run" ${WORK}/build/first_steps)

# ---- through pkg-config --static ---------------------------------------------
find_program(PKG_CONFIG pkg-config REQUIRED)
find_program(CXX NAMES c++ g++ REQUIRED)
file(GLOB_RECURSE pc_files ${WORK}/prefix/*/vantorel17.pc)
if(NOT pc_files)
    message(FATAL_ERROR "no vantorel17.pc installed")
endif()
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir ${pc_file} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})

# Builds source into WORK/program with what `pkg-config --static` gives module.
function(build_with_pkg_config module source program)
    execute_process(COMMAND ${PKG_CONFIG} --cflags --libs --static ${module}
                    RESULT_VARIABLE result OUTPUT_VARIABLE flags ERROR_VARIABLE flags
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "pkg-config ${module} failed: ${flags}")
    endif()
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # Debian's libpulse names its private library (in a folder of its own) among
    # the static flags; linked only as needed, the program does not depend on
    # it directly, so the loader need not find it on its own path.
    list(PREPEND flags -Wl,--as-needed)
    # A sanitized library needs the sanitizer runtimes, which no .pc names.
    if(SANITIZE)
        list(APPEND flags -fsanitize=address,undefined)
    endif()
    run("pkg-config ${module}: ${program} build" ${CXX} -std=c++20 ${source} ${flags}
        -o ${WORK}/${program})
endfunction()

build_with_pkg_config(vantorel17 ${outside_dir}/main.cpp outside_pc)
run_outside("pkg-config run" ${WORK}/outside_pc)
build_with_pkg_config(vantorel17-sdl ${first_steps} first_steps_pc)
run_first_steps("pkg-config first_steps run" ${WORK}/first_steps_pc)
