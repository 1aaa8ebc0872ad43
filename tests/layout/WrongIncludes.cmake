# Writes a scratch source tree with allowed and wrong includes (relative ones among them), runs
# the include checker on it and fails unless the checker fails naming exactly the wrong lines.
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/view/Good.h
     "#pragma once\n#include \"scene/Scene.h\"\n#include <vector>\n#include \"../scene/Scene.h\"\n")
file(WRITE ${WORK}/scene/Relative.cpp "#include \"Relative.h\"\n#include \"../gui/MainWindow.h\"\n")
file(WRITE ${WORK}/scene/Relative.h "#pragma once\n")
file(WRITE ${WORK}/terrain/Up.cpp "// reaches up\n\n  #  include \"gui/MainWindow.h\"\n")
file(WRITE ${WORK}/scene/Sideways.cpp "#include \"scene/Scene.h\"\n#include \"view/Transforms.h\"\n")
file(WRITE ${WORK}/elevation/Qt.h "#pragma once\n#include <QString>\n")
execute_process(COMMAND ${CHECKER} ${WORK} RESULT_VARIABLE rc OUTPUT_VARIABLE out)
message("${out}")
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "the checker returned ${rc} on wrong includes")
endif()
foreach(expected "terrain/Up.cpp:3: terrain may not include gui" "scene/Sideways.cpp:2: scene may not include view"
                 "elevation/Qt.h:2: core folder elevation includes the Qt/OpenGL header <QString>"
                 "scene/Relative.cpp:2: scene may not include gui"
                 "6 files checked, 4 wrong includes")
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing from the checker's report: ${expected}")
  endif()
endforeach()
