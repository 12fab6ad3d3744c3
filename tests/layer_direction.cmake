# Fails naming every file of a portable layer that includes a layer depending on it (install/
# may include none of ui/, app/ and win32/; ui/ neither app/ nor win32/; app/ not win32/), or a
# platform header. Run as: cmake -DSOURCE_DIR=<source tree> -P layer_direction.cmake
set(forbidden_install "ui|app|win32")
set(forbidden_ui "app|win32")
set(forbidden_app "win32")

set(faults "")
foreach(layer install ui app)
  file(GLOB sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "no sources found in ${SOURCE_DIR}/${layer}")
  endif()
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${includes})
      if(line MATCHES "[\"</](${forbidden_${layer}})/"
         OR line MATCHES "<windows\\.h>")
        file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
        string(APPEND faults "\n  ${name}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "includes against the direction win32/ -> app/ -> ui/ -> install/:${faults}")
endif()
