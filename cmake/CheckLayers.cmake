# Refuses an include that reaches from a layer of the core into a higher one (or into a
# front end). Run as: cmake -DROOT=<source folder> -P CheckLayers.cmake
# Each folder may include its own headers and those of the folders listed for it.
set(allowed_platform platform resources)  # the resource ids and version numbers
set(allowed_base     base platform)
set(allowed_crypto   crypto base platform)
set(allowed_compress compress base platform)
set(allowed_container container crypto compress base platform)
set(allowed_keys     keys crypto base platform)
set(allowed_ui       ui base platform)

set(faults "")
foreach(layer platform base crypto compress container keys ui)
  file(GLOB_RECURSE sources ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]*)/?.*\".*$" "\\1" folder "${line}")
      list(FIND allowed_${layer} "${folder}" found)
      if(found EQUAL -1)
        file(RELATIVE_PATH shown ${ROOT} ${source})
        string(APPEND faults "  ${shown}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes that reach a higher layer:\n${faults}")
endif()
