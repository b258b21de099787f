# Installs the built library into a fresh prefix, then configures, builds and
# runs a small project outside this tree against the installed package.
# Arguments: BUILD_DIR (this build), OUTSIDE (the outside project's sources),
# WORK (scratch folder), GENERATOR, BUILD_TYPE.
file(REMOVE_RECURSE ${WORK})

function(run step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${step} failed (${result}):\n${out}")
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

run("configure" ${CMAKE_COMMAND} -S ${OUTSIDE} -B ${WORK}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_PREFIX_PATH=${WORK}/prefix)
run("build" ${CMAKE_COMMAND} --build ${WORK}/build)
# The core target needs no SDL: none may stand on the outside program's link line.
file(STRINGS ${WORK}/build/build.ninja link_lines REGEX "LINK_LIBRARIES =")
if(NOT link_lines)
    message(FATAL_ERROR "no link line found in the outside project's build.ninja")
endif()
string(REGEX MATCH "[^ ]*[Ss][Dd][Ll][^ ]*" sdl "${link_lines}")
if(sdl)
    message(FATAL_ERROR "the core target brings SDL to the link: ${sdl}")
endif()
run("run" ${WORK}/build/outside)

# The pkg-config file gives the same program a working compile and link line.
find_program(PKG_CONFIG pkg-config)
find_program(CXX NAMES c++ g++)
if(PKG_CONFIG AND CXX)
    file(GLOB_RECURSE pc_files ${WORK}/prefix/*/vantorel17.pc)
    if(NOT pc_files)
        message(FATAL_ERROR "no vantorel17.pc installed")
    endif()
    list(GET pc_files 0 pc_file)
    get_filename_component(pc_dir ${pc_file} DIRECTORY)
    set(ENV{PKG_CONFIG_PATH} ${pc_dir})
    execute_process(COMMAND ${PKG_CONFIG} --cflags --libs --static vantorel17
                    RESULT_VARIABLE result OUTPUT_VARIABLE flags ERROR_VARIABLE flags
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "pkg-config vantorel17 failed: ${flags}")
    endif()
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # A sanitized library needs the sanitizer runtimes, which no .pc names.
    if(SANITIZE)
        list(APPEND flags -fsanitize=address,undefined)
    endif()
    run("pkg-config build" ${CXX} -std=c++20 ${OUTSIDE}/main.cpp ${flags}
        -o ${WORK}/outside_pc)
    run("pkg-config run" ${WORK}/outside_pc)
endif()
