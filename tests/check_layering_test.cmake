# Runs the layering check on scratch trees: one with several violations
# (two in one folder, others in further folders, next to includes that are
# allowed) must fail and name every violating file and none of the others;
# one without violations must pass.
#
#   cmake -DCHECK=<check_layering.cmake> -DSCRATCH=<empty folder to use> -P check_layering_test.cmake

function(write_tree root)
  file(REMOVE_RECURSE ${root})
  # Pairs of path and include line.
  set(entries ${ARGN})
  list(LENGTH entries count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET entries ${i} path)
    list(GET entries ${j} line)
    file(APPEND ${root}/${path} "#pragma once\n${line}\n")
  endforeach()
endfunction()

function(run_check root result output)
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${root} -P ${CHECK}
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result} ${code} PARENT_SCOPE)
  set(${output} "${out}${err}" PARENT_SCOPE)
endfunction()

set(problems "")

# Allowed lines in every tree.
set(allowed
  framework/core/clean.h "#include \"framework/core/types.h\""
  framework/gui/widgets_p.h "#include <QWidget>"
  framework/gui/qt_bridge.h "#include <QPainter>"
  framework/gui/sub/internal/hidden.h "#include <QTimer>"
  grid/clean.cpp "#include \"framework/gui/control.h\""
  dbaccess/clean.cpp "#include \"dbaccess/errors.h\""
)

write_tree(${SCRATCH}/bad ${allowed}
  framework/core/first_violation.h "#include <QString>"
  framework/core/second_violation.cpp "#include \"dbaccess/database.h\""
  framework/core/sub/third_violation.h "#include \"framework/gui/control.h\""
  dbaccess/grid_user.cpp "#include \"grid/tree_list.h\""
  grid/private_user.cpp "#include \"framework/gui/canvas_p.h\""
  framework/gui/public_with_qt.h "#include <QColor>"
  framework/gui/sub/nested_public.h "#include \"framework/gui/sub/internal/hidden.h\""
)
run_check(${SCRATCH}/bad code out)
if(code EQUAL 0)
  string(APPEND problems "\nthe tree with violations passed")
endif()
foreach(name first_violation.h second_violation.cpp third_violation.h grid_user.cpp private_user.cpp
             public_with_qt.h nested_public.h)
  string(FIND "${out}" "${name}" at)
  if(at EQUAL -1)
    string(APPEND problems "\n${name} is not reported")
  endif()
endforeach()
foreach(name clean.h widgets_p.h qt_bridge.h hidden.h clean.cpp)
  string(FIND "${out}" "/${name}:" at)
  if(NOT at EQUAL -1)
    string(APPEND problems "\n${name} is reported, but it breaks no rule")
  endif()
endforeach()

write_tree(${SCRATCH}/good ${allowed})
run_check(${SCRATCH}/good good_code good_out)
if(NOT good_code EQUAL 0)
  string(APPEND problems "\nthe tree without violations failed:\n${good_out}")
endif()

file(REMOVE_RECURSE ${SCRATCH})
if(problems)
  message(FATAL_ERROR "The layering check is wrong:${problems}\n--- its output on the tree with violations:\n${out}")
endif()
message(STATUS "layering check reports every violation")
