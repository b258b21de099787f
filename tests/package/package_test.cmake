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
               support/clock.h platform/win32.h)
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
