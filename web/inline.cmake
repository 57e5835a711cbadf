# Writes the page: TEMPLATE with the worker's script (the module CORE_SCRIPT, then
# WORKER_SCRIPT) and the page's script (PAGE_SCRIPT) written into it, as OUTPUT.
file(READ ${CORE_SCRIPT} core)
file(READ ${WORKER_SCRIPT} worker)
file(READ ${PAGE_SCRIPT} page)
set(QUILLET_WORKER_SCRIPT "${core}\n${worker}")
set(QUILLET_PAGE_SCRIPT "${page}")
set(QUILLET_VERSION "${VERSION}")
# A script element ends at the first "</script" in its text, whatever the script means by it.
foreach(script QUILLET_WORKER_SCRIPT QUILLET_PAGE_SCRIPT)
    string(FIND "${${script}}" "</script" end)
    if(NOT end EQUAL -1)
        message(FATAL_ERROR "${script} holds \"</script\" and cannot be written into the page")
    endif()
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
