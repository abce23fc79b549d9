# Fails when a library includes what it must not: Qt below framework/gui,
# the grids from the database layer, anything GUI from the framework core.
# Every violation is listed, not only the first one found.
#
#   cmake -DROOT=<source tree> -P check_layering.cmake
set(failures "")
function(check_dir dir pattern why)
  set(found "${failures}")
  file(GLOB_RECURSE files ${ROOT}/${dir}/*.h ${ROOT}/${dir}/*.cpp)
  foreach(f IN LISTS files)
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(l IN LISTS lines)
      if(l MATCHES "${pattern}")
        string(APPEND found "\n${f}: ${l} (${why})")
      endif()
    endforeach()
  endforeach()
  set(failures "${found}" PARENT_SCOPE)
endfunction()
check_dir(framework/core "<Q[A-Za-z]+>|<Qt|framework/gui/|grid/|dbaccess/|dbaccess_ui/|app/" "framework_core links nothing above it")
check_dir(dbaccess "<Q[A-Za-z]+>|<Qt|framework/gui/|dbaccess_ui/|\"grid/|datagrid/|app/" "dbaccess never sees Qt or the grids")
check_dir(dbaccess_ui "<Q[A-Za-z]+>|<Qt|\"grid/|datagrid/|app/|framework/gui/.*_p\\.h|framework/gui/(.*/)?qt_|framework/gui/.*internal/" "dbaccess_ui sees only dbaccess and the framework, and Qt only through framework/gui")
check_dir(grid "datagrid/|dbaccess/|dbaccess_ui/|app/|<Q[A-Za-z]+>|<Qt|framework/gui/.*_p\\.h|framework/gui/(.*/)?qt_|framework/gui/.*internal/" "grid sees only the framework, and Qt only through framework/gui")
check_dir(datagrid "dbaccess/|dbaccess_ui/|app/|<Q[A-Za-z]+>|<Qt|framework/gui/.*_p\\.h|framework/gui/(.*/)?qt_|framework/gui/.*internal/" "datagrid meets datasets only through the dataset model")
# Inside datagrid each folder reads without the ones above it: the criteria
# model below everything, the control (nodes, link, columns) below the
# summaries, and both below the grid and its filtering.
check_dir(datagrid/criteria "datagrid/(control|summary|grid|filter)/" "the criteria model sees no other part of datagrid")
check_dir(datagrid/control "datagrid/(criteria|summary|grid|filter)/" "the control reaches the grid through its own virtual operations")
check_dir(datagrid/summary "datagrid/(criteria|grid|filter)/" "the summaries reach the grid through TdxSummaryGroupsHost")
check_dir(app "<Q[A-Za-z]+>|<Qt|framework/gui/.*_p\\.h|framework/gui/(.*/)?qt_|framework/gui/.*internal/" "the program sees Qt only through framework/gui")
# framework/gui keeps Qt in its sources and private headers (*_p.h, qt_*.h,
# anything in an internal/ folder).
file(GLOB_RECURSE gui_headers ${ROOT}/framework/gui/*.h)
foreach(f IN LISTS gui_headers)
  get_filename_component(base ${f} NAME)
  file(RELATIVE_PATH relative ${ROOT}/framework/gui ${f})
  if(base MATCHES "_p\\.h$" OR base MATCHES "^qt_" OR relative MATCHES "(^|/)internal/")
    continue()
  endif()
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(l IN LISTS lines)
    if(l MATCHES "<Q[A-Za-z]+>|<Qt|_p\\.h|qt_|internal/")
      string(APPEND failures "\n${f}: ${l} (public GUI headers show no Qt)")
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Layering violations:${failures}")
endif()
message(STATUS "layering ok")
