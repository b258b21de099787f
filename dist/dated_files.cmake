# Writes the files that carry the release date (the AppStream metadata, the
# manual page, the changelog) from their templates, dated by the commit being
# built, so that building one commit twice gives the same bytes:
# SOURCE_DATE_EPOCH when it is set; else the committer date of HEAD when the
# source folder is the top of a git checkout; else, outside one (an archive of
# the sources, whose files keep the commit's time), the time of the top
# CMakeLists.txt. Dates are in UTC. Run at every build, so that a new commit
# dates the files anew; a file is written only when its text changes.
#   cmake -DSOURCE_DIR=DIR -DDIST=DIR -DOUT=DIR -DPROJECT_VERSION=V [-DGIT=git]
#         -P dated_files.cmake
#   cmake -DSOURCE_DIR=DIR -DGIT=git -DPRINT_EPOCH=1 -P dated_files.cmake
#         prints that time in seconds since 1970 (scripts/package dates the
#         packages' files by it) and writes nothing

set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT epoch MATCHES "^[0-9]+$")
    set(epoch "")
    if(GIT)
        execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --show-toplevel
                        RESULT_VARIABLE result OUTPUT_VARIABLE top ERROR_QUIET
                        OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(result EQUAL 0)
            file(REAL_PATH "${top}" top)
            file(REAL_PATH "${SOURCE_DIR}" source_dir)
        endif()
        if(result EQUAL 0 AND top STREQUAL source_dir)
            execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} log -1 --format=%ct
                            RESULT_VARIABLE result OUTPUT_VARIABLE epoch ERROR_QUIET
                            OUTPUT_STRIP_TRAILING_WHITESPACE)
            if(NOT result EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
                set(epoch "")
            endif()
        endif()
    endif()
    if(epoch STREQUAL "")
        file(TIMESTAMP ${SOURCE_DIR}/CMakeLists.txt epoch "%s" UTC)
    endif()
endif()

if(PRINT_EPOCH)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${epoch})
    return()
endif()

# string(TIMESTAMP) formats the time SOURCE_DATE_EPOCH names.
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
string(TIMESTAMP V17_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP V17_RELEASE_TIME "%a, %d %b %Y %H:%M:%S +0000" UTC)

configure_file(${DIST}/vantorel17.metainfo.xml ${OUT}/vantorel17.metainfo.xml @ONLY)
configure_file(${DIST}/vantorel17.6 ${OUT}/vantorel17.6 @ONLY)
configure_file(${DIST}/changelog.in ${OUT}/changelog @ONLY)
