# Refuses an include that reaches from a layer into a higher one: from a layer of the
# core into a higher layer or a front end, and inside the main program (app/) against
# the one direction procedure -> commands -> views -> dialogs and send -> logic.
# The portable layers also refuse the Windows headers.
# Run as: cmake -DROOT=<source folder> -P CheckLayers.cmake
#
# Each layer (a folder) may include its own headers and those listed for it: a folder
# (with the folders inside it), one header, or one module (a header named without its
# ".h").
cmake_policy(VERSION 3.25)

set(allowed_platform  platform resources)  # the resource ids and version numbers
set(allowed_base      base platform)
set(allowed_crypto    crypto base platform)
set(allowed_compress  compress base platform)
set(allowed_container container crypto compress base platform)
set(allowed_keys      keys crypto base platform)
set(allowed_ui        ui base platform)
# app/: main.cpp and the window procedure over everything below them.
set(allowed_app          app keys container crypto base platform ui resources)
set(allowed_app/commands app/commands app/views app/dialogs app/send app/logic keys container base platform resources)
set(allowed_app/views    app/views app/dialogs app/logic keys container base platform resources)
set(allowed_app/dialogs  app/dialogs app/logic keys container base platform ui resources)
set(allowed_app/send     app/send app/logic keys container base platform resources)
set(allowed_app/logic    app/logic keys container base platform resources/resource.h)  # the control ids

# Inside a layer, files (a header and its .cpp) may have a narrower list, so that the
# layer itself runs one way: the settings store below the passphrase list and the
# access password, and those below the first start; the local commands below the open
# dispatch, and that below the commands that shape the document.
set(allowed_keys/settings        keys/settings base platform)
set(allowed_keys/passphrase_list keys/passphrase_list keys/settings crypto base platform)
set(allowed_keys/access_password keys/access_password keys/settings crypto base platform)
set(below_commands app/views app/dialogs app/send app/logic keys container base platform resources)
set(allowed_app/commands/local_commands app/commands/local_commands ${below_commands})
set(allowed_app/commands/send_encrypted app/commands/send_encrypted ${below_commands})
set(allowed_app/commands/open_document app/commands/open_document app/commands/local_commands ${below_commands})

set(core_layers platform base crypto compress container keys ui)
set(app_layers app app/commands app/views app/dialogs app/send app/logic)
set(portable_layers base crypto compress container keys ui app/logic)
set(windows_headers windows winbase windef winuser winreg winnt commctrl commdlg shellapi shlobj shlwapi
    objbase ole2 oleauto mapi uxtheme wincrypt)
list(JOIN windows_headers "|" windows_pattern)

set(faults "")
foreach(layer ${core_layers} ${app_layers})
  if(layer IN_LIST app_layers)
    file(GLOB sources ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)  # the folders inside are layers of their own
  else()
    file(GLOB_RECURSE sources ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  endif()
  foreach(source ${sources})
    file(RELATIVE_PATH shown ${ROOT} ${source})
    string(REGEX REPLACE "\\.(h|cpp)$" "" module "${shown}")
    if(DEFINED allowed_${module})
      set(rules allowed_${module})
    else()
      set(rules allowed_${layer})
    endif()
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line ${lines})
      if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]*)>")
        string(TOLOWER "${CMAKE_MATCH_1}" header)
        if(layer IN_LIST portable_layers AND header MATCHES "^(${windows_pattern})\\.h$")
          string(APPEND faults "  ${shown}: ${line} (a portable layer)\n")
        endif()
        continue()
      endif()
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" included "${line}")
      set(allowed FALSE)
      foreach(entry ${${rules}})
        string(LENGTH "${entry}/" length)
        string(SUBSTRING "${included}" 0 ${length} start)
        if(included STREQUAL entry OR included STREQUAL "${entry}.h" OR start STREQUAL "${entry}/")
          set(allowed TRUE)
        endif()
      endforeach()
      if(NOT allowed)
        string(APPEND faults "  ${shown}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

# Every source of app/ lies in one of its layers.
file(GLOB_RECURSE app_sources ${ROOT}/app/*.h ${ROOT}/app/*.cpp)
foreach(source ${app_sources})
  file(RELATIVE_PATH shown ${ROOT} ${source})
  get_filename_component(folder ${shown} DIRECTORY)
  if(NOT folder IN_LIST app_layers)
    string(APPEND faults "  ${shown}: in no layer of app/\n")
  endif()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes that reach a higher layer:\n${faults}")
endif()
