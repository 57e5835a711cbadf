# Writes the page: TEMPLATE with the worker's script (the module CORE_SCRIPT, then
# WORKER_SCRIPT) and the page's script (PAGE_SCRIPT) written into it, as OUTPUT. The accepted
# sizes come from the core's rules (RULES), so that the page says what the check does.
file(READ ${CORE_SCRIPT} core)
file(READ ${WORKER_SCRIPT} worker)
file(READ ${PAGE_SCRIPT} page)
set(QUILLET_WORKER_SCRIPT "${core}\n${worker}")
set(QUILLET_PAGE_SCRIPT "${page}")
set(QUILLET_VERSION "${VERSION}")
file(STRINGS ${RULES} sizes REGEX "acceptedSizes = {[0-9, ]+}")
if(NOT sizes MATCHES "{([0-9, ]+), ([0-9]+)}")
    message(FATAL_ERROR "no accepted sizes in ${RULES}")
endif()
set(QUILLET_ACCEPTED_SIZES "${CMAKE_MATCH_1} or ${CMAKE_MATCH_2}")
# A script element ends at the first "</script" in its text, whatever the script means by it.
foreach(script QUILLET_WORKER_SCRIPT QUILLET_PAGE_SCRIPT)
    string(FIND "${${script}}" "</script" end)
    if(NOT end EQUAL -1)
        message(FATAL_ERROR "${script} holds \"</script\" and cannot be written into the page")
    endif()
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
