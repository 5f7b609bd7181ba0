# Puts the page's script, the worker's script and the module into the
# page's template, each where its marker stands (@WORKER_SCRIPT@,
# @PAGE_SCRIPT@, @VERSION@). The worker and the module go into a script
# element the browser does not run, from which the page makes the worker,
# so no script may hold the text that would end that element (nor <!--,
# which changes how the browser reads a script element).
cmake_minimum_required(VERSION 3.25)
file(READ "${TEMPLATE}" html)
file(READ "${PAGE_SCRIPT}" page)
file(READ "${WORKER_SCRIPT}" worker)
file(READ "${MODULE}" module)
string(APPEND worker "\n${module}")
foreach(part page worker)
  string(TOLOWER "${${part}}" lower)
  string(FIND "${lower}" "</script" at)
  string(FIND "${lower}" "<!--" comment)
  if(NOT comment EQUAL -1)
    set(at ${comment})
  endif()
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "the ${part} script holds </script or <!-- and cannot be put into the page")
  endif()
endforeach()
# The markers are found in the template before anything is put in, so that
# nothing the scripts hold is taken for one.
string(REPLACE "@VERSION@" "${VERSION}" html "${html}")
string(FIND "${html}" "@PAGE_SCRIPT@" page_at)
string(FIND "${html}" "@WORKER_SCRIPT@" worker_at)
if(page_at EQUAL -1 OR worker_at EQUAL -1 OR NOT worker_at LESS page_at)
  message(FATAL_ERROR "the template needs @WORKER_SCRIPT@, then @PAGE_SCRIPT@")
endif()
string(SUBSTRING "${html}" 0 ${worker_at} head)
math(EXPR from "${worker_at} + 15")
math(EXPR length "${page_at} - ${from}")
string(SUBSTRING "${html}" ${from} ${length} middle)
math(EXPR from "${page_at} + 13")
string(SUBSTRING "${html}" ${from} -1 tail)
file(WRITE "${OUTPUT}" "${head}${worker}${middle}${page}${tail}")
