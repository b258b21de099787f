# Writes the site's service worker: the template with @OFFLINE_FILES@ replaced
# by a JavaScript object of each file to keep and its SHA-256, and @BUILD@ by
# the first 16 hex digits of the SHA-256 of that list.
#   cmake -DTEMPLATE=web/sw.js -DSITE=DIR -DFILES="a;b" -DOUTPUT=DIR/sw.js -P service_worker.cmake
set(entries "")
set(list "")
foreach(name ${FILES})
    if(NOT EXISTS ${SITE}/${name})
        message(FATAL_ERROR "the site has no ${name} for the service worker to keep")
    endif()
    file(SHA256 ${SITE}/${name} hash)
    string(APPEND entries "\n  '${name}': '${hash}',")
    string(APPEND list "${name} ${hash}\n")
endforeach()
string(SHA256 build "${list}")
string(SUBSTRING ${build} 0 16 BUILD)
set(OFFLINE_FILES "{${entries}\n}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
