# Writes a page with source files in it, for the browser build's examples page:
#   cmake -DPAGE=web/examples.html -DSOURCES=examples -DOUTPUT=site/examples.html
#         -P page_sources.cmake
# Each <!-- source: NAME --> in PAGE becomes the text of SOURCES/NAME with &, <
# and > written as HTML entities, so that the page shows the file as it is.
# A marker naming no file there is an error.
foreach(needed PAGE SOURCES OUTPUT)
    if(NOT DEFINED ${needed})
        message(FATAL_ERROR "page_sources.cmake: -D${needed}= is needed")
    endif()
endforeach()

file(READ ${PAGE} page)
string(REGEX MATCHALL "<!-- source: [A-Za-z0-9_.-]+ -->" markers "${page}")
if(NOT markers)
    message(FATAL_ERROR "page_sources.cmake: ${PAGE} names no source")
endif()
foreach(marker ${markers})
    string(REGEX REPLACE "^<!-- source: ([A-Za-z0-9_.-]+) -->$" "\\1" name "${marker}")
    if(NOT EXISTS ${SOURCES}/${name})
        message(FATAL_ERROR "page_sources.cmake: ${PAGE} names ${name}, which is not in ${SOURCES}")
    endif()
    file(READ ${SOURCES}/${name} text)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    string(REPLACE "${marker}" "${text}" page "${page}")
endforeach()
file(WRITE ${OUTPUT} "${page}")
